#include "messageframer.h"

#include "gpsserialportthread.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// Bytes that may stand in an NMEA sentence: printable by Unicode, with the bytes from
// 0x80 read as Latin-1.
const std::array<bool, 256>& PrintableBytes()
{
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = QChar::fromLatin1(static_cast<char>(b)).isPrint();
        return t;
    }();
    return table;
}

inline unsigned char Byte(const char* data, qsizetype pos)
{
    return static_cast<unsigned char>(data[pos]);
}

}  // namespace

// ---- Motorola binary ----

void MotorolaFramer::Finish(const FramedMessageSink& sink)
{
    if (GpsSerialPortThread::CheckMotorolaChecksum(buffer))
        sink(buffer.left(buffer.size() - 3));
    buffer.truncate(0);
    state = State::Hunt;
}

void MotorolaFramer::Frame(const char* data, qsizetype size, const FramedMessageSink& sink)
{
    qsizetype pos = 0;
    while (pos < size) {
        switch (state) {
        case State::Hunt: {
            expected = -1;
            const void* at = std::memchr(data + pos, '@', static_cast<size_t>(size - pos));
            if (!at)
                return;
            pos = static_cast<const char*>(at) - data + 1;
            buffer.truncate(0);
            buffer.append('@');
            state = State::SecondAt;
            break;
        }
        case State::SecondAt:
            if (data[pos] == '@') {
                buffer.append('@');
                ++pos;
                state = State::FirstId;
            } else {
                state = State::Hunt;  // the same byte may start the next message
            }
            break;
        case State::FirstId:
            buffer.append(data[pos++]);
            state = State::SecondId;
            break;
        case State::SecondId:
            buffer.append(data[pos++]);
            expected = GpsSerialPortThread::MotorolaMessageLength(buffer);
            if (expected < 0) {
                state = State::Hunt;
                break;
            }
            state = State::Body;
            // A length of 0 (a "W" letter without a message) fails its check here.
            if (buffer.size() >= expected)
                Finish(sink);
            break;
        case State::Body: {
            const qsizetype take = std::min<qsizetype>(expected - buffer.size(), size - pos);
            buffer.append(data + pos, take);
            pos += take;
            if (buffer.size() >= expected)
                Finish(sink);
            break;
        }
        }
    }
}

// ---- UBX and NMEA ----

void UbxNmeaFramer::Frame(const char* data, qsizetype size, const FramedMessageSink& sink)
{
    qsizetype pos = 0;
    QByteArray rehunt;
    for (;;) {
        // The bytes of a false header came before the rest of the block: hunt them first.
        // Each pass is shorter than the last, since the header's first byte is gone.
        while (!rehunt.isEmpty()) {
            const QByteArray bytes = std::exchange(rehunt, QByteArray());
            bool bRehunt = false;
            const qsizetype taken = Scan(bytes.constData(), bytes.size(), sink, bRehunt);
            if (bRehunt)
                rehunt = DropFalseHeader() + bytes.mid(taken);
        }
        if (pos == size)
            return;
        bool bRehunt = false;
        pos += Scan(data + pos, size - pos, sink, bRehunt);
        if (bRehunt)
            rehunt = DropFalseHeader();
    }
}

QByteArray UbxNmeaFramer::DropFalseHeader()
{
    QByteArray rest = buffer.mid(1);
    buffer.truncate(0);
    state = State::Hunt;
    return rest;
}

qsizetype UbxNmeaFramer::Scan(const char* data, qsizetype size, const FramedMessageSink& sink,
                              bool& bRehunt)
{
    const std::array<bool, 256>& printable = PrintableBytes();
    qsizetype pos = 0;
    while (pos < size) {
        switch (state) {
        case State::Hunt: {
            // Whichever sync byte comes first starts the next message.
            qsizetype i = pos;
            while (i < size && Byte(data, i) != 0xB5 && data[i] != '$')
                ++i;
            if (i == size)
                return size;
            buffer.truncate(0);
            buffer.append(data[i]);
            state = data[i] == '$' ? State::NmeaBody : State::UbxSync2;
            pos = i + 1;
            break;
        }
        case State::UbxSync2:
            if (data[pos] == 'b') {
                buffer.append(data[pos++]);
                state = State::UbxClass;
            } else {
                state = State::Hunt;
            }
            break;
        case State::UbxClass:
            buffer.append(data[pos++]);
            state = State::UbxId;
            break;
        case State::UbxId:
            buffer.append(data[pos++]);
            state = State::UbxLengthLow;
            break;
        case State::UbxLengthLow:
            expected = Byte(data, pos);
            buffer.append(data[pos++]);
            state = State::UbxLengthHigh;
            break;
        case State::UbxLengthHigh:
            expected += 256 * Byte(data, pos);
            buffer.append(data[pos++]);
            if (expected > kMaxUbxPayload) {
                bRehunt = true;
                return pos;
            }
            state = expected == 0 ? State::UbxCheckA : State::UbxPayload;
            break;
        case State::UbxPayload: {
            const qsizetype take =
                std::min<qsizetype>(expected + 6 - buffer.size(), size - pos);
            buffer.append(data + pos, take);
            pos += take;
            if (buffer.size() >= expected + 6)
                state = State::UbxCheckA;
            break;
        }
        case State::UbxCheckA:
            buffer.append(data[pos++]);
            state = State::UbxCheckB;
            break;
        case State::UbxCheckB:
            buffer.append(data[pos++]);
            if (!GpsSerialPortThread::CheckUbxChecksum(buffer)) {
                bRehunt = true;
                return pos;
            }
            sink(buffer);
            buffer.truncate(0);
            state = State::Hunt;
            break;
        case State::NmeaBody: {
            qsizetype i = pos;
            while (i < size && printable[Byte(data, i)])
                ++i;
            if (buffer.size() + (i - pos) > kMaxSentence) {
                // Too long for a sentence: drop it and look for the next start from
                // the byte that did not fit.
                pos += kMaxSentence - buffer.size();
                buffer.truncate(0);
                state = State::Hunt;
                break;
            }
            buffer.append(data + pos, i - pos);
            pos = i;
            if (pos == size)
                return size;
            // A line end finishes the sentence; any other byte drops it. Either byte is
            // left for the hunt.
            if (data[pos] == '\r' || data[pos] == '\n') {
                if (GpsSerialPortThread::NmeaSentenceValid(buffer))
                    sink(buffer);
            }
            buffer.truncate(0);
            state = State::Hunt;
            break;
        }
        }
    }
    return size;
}

// ---- Plain text lines ----

void LineFramer::Frame(const char* data, qsizetype size, const FramedMessageSink& sink)
{
    qsizetype pos = 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        if (bSkippingLine) {
            if (end == size)
                return;
            bSkippingLine = false;
        } else if (buffer.size() + (end - pos) > kMaxLine) {
            buffer.truncate(0);
            bSkippingLine = end == size;
        } else {
            buffer.append(data + pos, end - pos);
            if (end == size)
                return;
            if (!buffer.isEmpty())
                sink(buffer);
            buffer.truncate(0);
        }
        pos = end + 1;
    }
}
