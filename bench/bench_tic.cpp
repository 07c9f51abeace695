// One counter line through the main window's TIC processing, readings spread over
// the eight ports, with a sawtooth value now and then and blocks closing as they do.
#include "benchapplication.h"
#include "mainwindow.h"
#include "timingdialog.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

namespace {

constexpr int kReadings = 8000;

void BM_OnNewTicText(benchmark::State& state)
{
    PrepareBenchApplication();
    MainWindow w;
    w.timingDialog->sawtoothMode = 0;
    w.timingDialog->ppsOffsetLateUs = 250.0;
    w.ticAveragingPeriod = 300;
    w.ticTimeLogPeriod = 1;
    std::vector<QByteArray> lines;
    for (int i = 0; i < kReadings; ++i)
        lines.push_back(QByteArray::number(i % 8 + 1) + ' '
                        + QString::asprintf("%+.9E", 1.234e-4 + 1e-9 * std::sin(i * 0.1)).toLatin1());

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int i = 0; i < kReadings; ++i) {
            if (i % 8 == 0) {
                w.sawtoothNs = (i % 17) - 8.0;
                w.bSawtoothValid = true;
            }
            w.OnNewTicText(lines[i]);
        }
    }
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    state.counters["us_per_reading"] = elapsed.count() / (static_cast<double>(state.iterations()) * kReadings);
    state.SetItemsProcessed(state.iterations() * kReadings);
    benchmark::DoNotOptimize(w.lastTicAverageLine);
}

}  // namespace

BENCHMARK(BM_OnNewTicText)->Unit(benchmark::kMillisecond);
