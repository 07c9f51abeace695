// Throughput of the receive framers over long streams of recorded receiver traffic,
// fed in blocks as the port delivers them.
#include "messageframer.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qsizetype kStreamBytes = 8 * 1024 * 1024;

// A receiver capture kept with the tests.
QByteArray Capture(const char* name)
{
    const QDir here = QFileInfo(QStringLiteral(__FILE__)).absoluteDir();
    QFile file(here.absoluteFilePath(QStringLiteral("../tests/data/receiver-captures/"))
               + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Whole recordings back to back, up to a long stream.
QByteArray Repeated(const QByteArray& recording)
{
    QByteArray stream;
    stream.reserve(kStreamBytes + recording.size());
    while (!recording.isEmpty() && stream.size() < kStreamBytes)
        stream += recording;
    return stream;
}

QByteArray RecordedStream(const char* name)
{
    return Repeated(Capture(name));
}

template <class Framer>
void FrameStream(benchmark::State& state, const QByteArray& stream)
{
    if (stream.isEmpty()) {
        state.SkipWithError("receiver capture not found");
        return;
    }
    const qsizetype block = state.range(0);
    qint64 messages = 0;
    const FramedMessageSink count = [&messages](const QByteArray&) { ++messages; };
    for (auto _ : state) {
        Framer framer;
        for (qsizetype pos = 0; pos < stream.size(); pos += block)
            framer.Frame(stream.constData() + pos, std::min(block, stream.size() - pos), count);
    }
    benchmark::DoNotOptimize(messages);
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.counters["messages"] = benchmark::Counter(static_cast<double>(messages),
                                                    benchmark::Counter::kIsRate);
}

void BM_FrameMotorola(benchmark::State& state)
{
    static const QByteArray stream = RecordedStream("oncore-binary.log");
    FrameStream<MotorolaFramer>(state, stream);
}

void BM_FrameUbx(benchmark::State& state)
{
    static const QByteArray stream = RecordedStream("ublox-lea-4t.log");
    FrameStream<UbxNmeaFramer>(state, stream);
}

void BM_FrameNmea(benchmark::State& state)
{
    static const QByteArray stream = RecordedStream("ublox-lea-5h.log");
    FrameStream<UbxNmeaFramer>(state, stream);
}

void BM_FrameUbxNmeaMix(benchmark::State& state)
{
    static const QByteArray stream = [] {
        const QByteArray ubx = Capture("ublox-lea-4t.log");
        const QByteArray nmea = Capture("garmin15x.log");
        return ubx.isEmpty() || nmea.isEmpty() ? QByteArray() : Repeated(ubx + nmea);
    }();
    FrameStream<UbxNmeaFramer>(state, stream);
}

}  // namespace

BENCHMARK(BM_FrameMotorola)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameUbx)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameNmea)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameUbxNmeaMix)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);
