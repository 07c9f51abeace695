#pragma once

#include <QByteArray>

#include <functional>

// The receive framers cut the stream of bytes read from the receiver port into whole
// messages. Each keeps its state from one block to the next, so a message may be split
// anywhere; a message is handed on as soon as its last byte has arrived.
using FramedMessageSink = std::function<void(const QByteArray& message)>;

// Motorola binary messages: "@@", two id letters, a payload whose length the id letters
// fix, a checksum byte and CR LF. Hands on "@@", the id letters and the payload.
class MotorolaFramer
{
public:
    void Frame(const char* data, qsizetype size, const FramedMessageSink& sink);
    void Frame(const QByteArray& block, const FramedMessageSink& sink)
    {
        Frame(block.constData(), block.size(), sink);
    }

private:
    enum class State { Hunt, SecondAt, FirstId, SecondId, Body };

    void Finish(const FramedMessageSink& sink);

    State state = State::Hunt;
    QByteArray buffer;
    int expected = -1;
};

// UBX frames (handed on whole) and NMEA sentences (handed on from "$" up to the line
// end, without CR LF) mixed in one stream.
// A UBX header whose frame proves false (a length no receiver sends, or a checksum
// that fails) is dropped from its first byte only: the bytes after that byte are hunted
// again, so one damaged header never swallows the messages that follow it.
class UbxNmeaFramer
{
public:
    // Longest sentence kept; a longer one is dropped and the framer hunts again.
    static constexpr qsizetype kMaxSentence = 1024;
    // Longest UBX payload taken for a frame; a longer length is a damaged header.
    static constexpr int kMaxUbxPayload = 4096;

    void Frame(const char* data, qsizetype size, const FramedMessageSink& sink);
    void Frame(const QByteArray& block, const FramedMessageSink& sink)
    {
        Frame(block.constData(), block.size(), sink);
    }

private:
    enum class State {
        Hunt, UbxSync2, UbxClass, UbxId, UbxLengthLow, UbxLengthHigh, UbxPayload, UbxCheckA,
        UbxCheckB, NmeaBody
    };

    // Frames from data until it ends or a UBX header proves false; returns the bytes
    // taken. On a false header, bRehunt is set and buffer still holds the header's bytes.
    qsizetype Scan(const char* data, qsizetype size, const FramedMessageSink& sink, bool& bRehunt);
    // Forgets the false header and gives back its bytes after the first.
    QByteArray DropFalseHeader();

    State state = State::Hunt;
    QByteArray buffer;
    int expected = 0;
};

// Plain text lines ended by CR or LF, handed on without the line end; empty lines are
// skipped. Serves the interface mode in which the receiver answers in plain text.
class LineFramer
{
public:
    static constexpr qsizetype kMaxLine = 1024;

    void Frame(const char* data, qsizetype size, const FramedMessageSink& sink);
    void Frame(const QByteArray& block, const FramedMessageSink& sink)
    {
        Frame(block.constData(), block.size(), sink);
    }

private:
    QByteArray buffer;
    bool bSkippingLine = false;  // an overlong line is dropped up to its line end
};
