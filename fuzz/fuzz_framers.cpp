// Drives the receive framers with arbitrary bytes, cut into arbitrary blocks, and
// checks what they hand on.
#include "gpsserialportthread.h"
#include "messageframer.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// The first input byte picks the block sizes; the rest is the stream.
template <class Framer>
QList<QByteArray> Frame(const QByteArray& stream, unsigned blockSeed)
{
    Framer framer;
    QList<QByteArray> out;
    const FramedMessageSink sink = [&out](const QByteArray& m) { out.append(m); };
    qsizetype pos = 0;
    unsigned seed = blockSeed;
    while (pos < stream.size()) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype block = blockSeed == 0 ? stream.size() : 1 + (seed >> 16) % 97;
        const qsizetype take = std::min(block, stream.size() - pos);
        framer.Frame(stream.constData() + pos, take, sink);
        pos += take;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const unsigned blockSeed = data[0];
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    const QList<QByteArray> motorola = Frame<MotorolaFramer>(stream, blockSeed);
    Require(motorola == Frame<MotorolaFramer>(stream, 0));
    for (const QByteArray& m : motorola) {
        Require(m.startsWith("@@"));
        Require(m.size() == GpsSerialPortThread::MotorolaMessageLength(m) - 3);
    }

    const QList<QByteArray> ubxNmea = Frame<UbxNmeaFramer>(stream, blockSeed);
    Require(ubxNmea == Frame<UbxNmeaFramer>(stream, 0));
    for (const QByteArray& m : ubxNmea) {
        if (m.startsWith('$')) {
            Require(m.size() <= UbxNmeaFramer::kMaxSentence);
            Require(GpsSerialPortThread::NmeaSentenceValid(m));
            Require(!m.contains('\r') && !m.contains('\n'));
        } else {
            Require(m.startsWith("\xB5\x62"));
            Require(GpsSerialPortThread::CheckUbxChecksum(m));
            const int length = static_cast<unsigned char>(m.at(4)) + 256 * static_cast<unsigned char>(m.at(5));
            Require(m.size() == length + 8 && length <= UbxNmeaFramer::kMaxUbxPayload);
        }
    }

    const QList<QByteArray> lines = Frame<LineFramer>(stream, blockSeed);
    Require(lines == Frame<LineFramer>(stream, 0));
    for (const QByteArray& line : lines)
        Require(!line.isEmpty() && line.size() <= LineFramer::kMaxLine && !line.contains('\r')
                && !line.contains('\n'));

    // The checks and appenders must take any bytes too.
    QByteArray copy = stream;
    GpsSerialPortThread::CheckNmeaChecksum(copy);
    GpsSerialPortThread::CheckMotorolaChecksum(stream);
    GpsSerialPortThread::CheckUbxChecksum(stream);
    GpsSerialPortThread::MotorolaMessageLength(stream);
    for (auto append : {&GpsSerialPortThread::AppendMotorolaChecksum,
                        &GpsSerialPortThread::AppendUbxChecksum,
                        &GpsSerialPortThread::AppendNmeaChecksum}) {
        QByteArray msg = stream;
        append(msg);
    }
    return 0;
}
