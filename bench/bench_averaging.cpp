// One averaging step per received position, with the averaging window closed.
#include "benchapplication.h"
#include "gpsnavdialog.h"
#include "receiverinfo.h"
#include "utcdatetime.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

namespace {

constexpr int kSamples = 100000;

void BM_AddNavSample(benchmark::State& state)
{
    PrepareBenchApplication();
    receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
    GpsNavDialog dialog;
    dialog.SetRefLocation(48.1466, 11.6083, 560.0, 512.0);
    dialog.bUseDopWeighting = true;
    dialog.SetReceiverErrorTerms(10.0, 100.0);
    dialog.SetDops(1.9, 1.6, 0.9, 1.3, 0.8);
    dialog.SetNavMode(3);
    dialog.SetSatellitesUsed(9);
    UtcDateTime now;
    dialog.UpdateLockStatus(0, now);

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            const double wobble = 1e-5 * std::sin(i * 0.01);
            benchmark::DoNotOptimize(
                dialog.AddNavSample(48.1466 + wobble, 11.6083 - wobble, 560.0 + wobble * 1e5, 512.0, 0));
        }
    }
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    state.counters["us_per_sample"] = elapsed.count() / (static_cast<double>(state.iterations()) * kSamples);
    state.SetItemsProcessed(state.iterations() * kSamples);
    receiverInfo = ReceiverInfo();
}

}  // namespace

BENCHMARK(BM_AddNavSample)->Unit(benchmark::kMillisecond);
