// Drives the three receiver decoders of one main window with arbitrary messages, each
// in a buffer that ends exactly at its last byte, so that a read past a message's end
// stops the run. Before the search starts, every Motorola id the framer knows is
// decoded once at every length up to its full one.
#include "decodetests.h"
#include "fuzzapplication.h"


#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace {

MainWindow* window = nullptr;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Every message longer than its head's "@@" and one letter yields text ending in a line end.
void DecodeMotorolaExactly(const QByteArray& msg)
{
    const QString text = window->DecodeMotorolaBinary(ExactBuffer(msg).Bytes());
    Require(text.isEmpty() == (msg.size() <= 3));
    Require(text.isEmpty() || text.endsWith(QLatin1Char('\n')));
}

// Receiver models that change how the decoders read a message.
constexpr int kModels[] = {24, 3, 4, 6, 9, 10, 11, 17, 20};

// The message cut at every length from its head on, for each receiver model and both
// Motorola modes.
void DecodeTruncations(const QByteArray& full)
{
    for (int model : kModels) {
        receiverInfo.receiverModel = model;
        receiverInfo.gpsPortMode = model % 2 == 0 ? GpsPortModeMotorolaBinary : GpsPortModeMotorolaBinaryRxOnly;
        window->bGpsRawDataVisible = model % 3 == 0;
        for (int n = 4; n <= full.size(); ++n)
            DecodeMotorolaExactly(full.left(n));
    }
}

// Every Motorola id the framer sizes, with its payload bytes set; and an identification
// whose model field ends at the last byte the identification reads.
void DecodeEveryTruncation()
{
    for (int family = 'A'; family <= 'W'; ++family) {
        for (int letter = 0; letter < 128; ++letter) {
            QByteArray head("@@");
            head.append(static_cast<char>(family)).append(static_cast<char>(letter));
            int length = GpsSerialPortThread::MotorolaMessageLength(head) - 3;
            // Family "W" has ids that the framer does not size.
            if (family == 'W' && length <= 0)
                length = 19;
            if (length >= 4)
                DecodeTruncations(head + QByteArray(length - 4, '\xA5'));
        }
    }
    MotorolaMessage identification("Cj");
    identification.Text(13, "MOTOROLA").Text(172, "MODEL # ").Text(180, "P283XT SSR-M8T+ XX");
    DecodeTruncations(identification);
}

QByteArray UbxFrame(const uint8_t* data, size_t size)
{
    QByteArray frame("\xB5\x62", 2);
    QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (body.size() < 2)
        body.append(QByteArray(2 - body.size(), '\0'));  // class and id
    const qsizetype payload = body.size() - 2;
    frame.append(body.left(2));
    frame.append(static_cast<char>(payload & 0xFF)).append(static_cast<char>((payload >> 8) & 0xFF));
    frame.append(body.mid(2));
    GpsSerialPortThread::AppendUbxChecksum(frame);
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartFuzzApplication();
    window = NewDecodingWindow().release();
    DecodeEveryTruncation();
    DeliverPostedEvents();
    return 0;
}

// The first byte chooses the decoder, the interface mode, the receiver model and the
// text gates; the rest is the message after its fixed head.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DeliverPostedEventsNowAndThen();
    if (size == 0)
        return 0;
    const unsigned choice = data[0];
    const uint8_t* body = data + 1;
    const size_t bodySize = size - 1;
    receiverInfo.receiverModel = kModels[(choice >> 2) % std::size(kModels)];
    window->bGpsRawDataVisible = choice & 0x40;
    window->bLogThisSecond = choice & 0x80;
    const QByteArray rest(reinterpret_cast<const char*>(body), static_cast<qsizetype>(bodySize));
    switch (choice & 3) {
    case 0:
    case 1:
        receiverInfo.gpsPortMode = (choice & 1) ? GpsPortModeMotorolaBinaryRxOnly : GpsPortModeMotorolaBinary;
        DecodeMotorolaExactly(QByteArray("@@") + rest);
        break;
    case 2:
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        window->DecodeUbxMessage(ExactBuffer(UbxFrame(body, bodySize)).Bytes());
        break;
    default: {
        receiverInfo.gpsPortMode = (choice & 0x20) ? GpsPortModeUbloxNmea : GpsPortModeGenericNmea;
        QByteArray sentence = QByteArray("$") + rest;
        // Half of them get the checksum the framer has checked.
        if (choice & 0x10)
            GpsSerialPortThread::AppendNmeaChecksum(sentence);
        window->DecodeNmeaSentence(ExactBuffer(sentence).Bytes());
        break;
    }
    }
    return 0;
}
