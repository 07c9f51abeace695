#pragma once

// Hand-built Motorola messages as the framer hands them to the decoder: "@@", the id
// letters and the payload, without checksum and line end.

#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QByteArray>
#include <QTest>

#include <cstring>
#include <memory>

class MotorolaMessage
{
public:
    // All payload bytes 0, at the length the framer delivers for the id.
    explicit MotorolaMessage(const char* id) : MotorolaMessage(id, HandedLength(id)) {}
    MotorolaMessage(const char* id, int length) : bytes(length, '\0')
    {
        bytes[0] = '@';
        bytes[1] = '@';
        bytes[2] = id[0];
        bytes[3] = id[1];
    }

    static int HandedLength(const char* id)
    {
        return GpsSerialPortThread::MotorolaMessageLength(QByteArray("@@") + id) - 3;
    }

    MotorolaMessage& U8(int offset, unsigned value)
    {
        if (offset < 0 || offset >= bytes.size())
            qFatal("test message %s has no byte %d", bytes.left(4).constData(), offset);
        bytes[offset] = static_cast<char>(value & 0xFF);
        return *this;
    }
    MotorolaMessage& U16(int offset, unsigned value)
    {
        return U8(offset, value >> 8).U8(offset + 1, value);
    }
    MotorolaMessage& U24(int offset, unsigned value)
    {
        return U8(offset, value >> 16).U16(offset + 1, value);
    }
    MotorolaMessage& U32(int offset, uint32_t value)
    {
        return U16(offset, value >> 16).U16(offset + 2, value);
    }
    MotorolaMessage& S32(int offset, int32_t value)
    {
        return U32(offset, static_cast<uint32_t>(value));
    }
    MotorolaMessage& Text(int offset, const char* text)
    {
        for (const char* c = text; *c; ++c)
            U8(offset++, static_cast<unsigned char>(*c));
        return *this;
    }
    // Month, day, year, hours, minutes, whole seconds and nanoseconds from offset 4.
    MotorolaMessage& DateTime(int year, int month, int day, int hour, int minute, int second,
                              int32_t nanoseconds = 0)
    {
        U8(4, month).U8(5, day).U16(6, year).U8(8, hour).U8(9, minute).U8(10, second);
        return S32(11, nanoseconds);
    }

    operator QByteArray() const { return bytes; }

    QByteArray bytes;
};

// A copy whose storage ends exactly at its last byte, so that a read past the end is
// caught by the address sanitizer.
class ExactBuffer
{
public:
    explicit ExactBuffer(const QByteArray& source)
        : storage(new char[static_cast<size_t>(source.size() > 0 ? source.size() : 1)])
    {
        std::memcpy(storage.get(), source.constData(), static_cast<size_t>(source.size()));
        view = QByteArray::fromRawData(storage.get(), source.size());
    }
    const QByteArray& Bytes() const { return view; }

private:
    std::unique_ptr<char[]> storage;
    QByteArray view;
};

// The decoder's answer for an id that was not decoded: its head, a blank and "...".
inline QString BareHead(const char* id)
{
    return QStringLiteral("@@") + QLatin1String(id) + QStringLiteral(" ...\n");
}

// A main window ready to decode: settings and receiver record fresh, the search over,
// no pauses after commands and silent tick sounds.
inline std::unique_ptr<MainWindow> NewDecodingWindow()
{
    TestSupport::ClearSettings();
    receiverInfo = ReceiverInfo();
    auto w = std::make_unique<MainWindow>();
    w->bGpsSearchActive = false;
    w->commandPauseMs = 0;
    w->playTickSound = [](QSoundEffect&) {};
    return w;
}

// The ids the decoder handles so far.
inline const char* const kHandledMotorolaIds[] = {
    "Ba", "Bb", "Bd", "Bf", "Bg", "Bj", "Bk", "Bn", "Bo",
    "Ea", "Eg", "Ek", "En", "Gj", "Ha", "Hb", "Hn", "Hr",
};
