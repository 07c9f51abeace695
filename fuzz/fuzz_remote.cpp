// Drives the remote link's line reader, line checker and command processor with
// arbitrary client bytes, cut into arbitrary blocks, as the server would hand them on.
#include "fuzzapplication.h"
#include "mainwindow.h"
#include "remoteline.h"
#include "telnettcpserver.h"
#include "testsupport.h"

#include <QSettings>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

MainWindow* window = nullptr;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// A reply is one line: a "$VUDUZ" sentence or the command sent back with " ???".
void CheckReply(const QByteArray& line, const QByteArray& reply)
{
    Require(!reply.contains('\r') && !reply.contains('\n'));
    if (reply.isEmpty())
        Require(RemoteCommand::Parse(line).kind == RemoteCommand::TicDataStream);
    else if (reply.endsWith(" ???"))
        Require(reply == RemoteLine::Echo(line));
    else
        Require(reply.startsWith("$VUDUZ,"));
}

bool TakeLine(const QByteArray& line, bool bTooLong)
{
    Require(line.size() <= RemoteLineReader::kMaxLineLength);
    // The parser alone must also stand lines the checker would refuse.
    RemoteCommand::Parse(line);
    for (const char c : RemoteLine::Echo(line))
        Require(c >= 0x20 && c <= 0x7E);
    if (RemoteLine::Check(line, bTooLong) == RemoteLine::Command) {
        Require(!bTooLong);
        CheckReply(line, window->AnswerRemoteCommand(line.trimmed()));
        window->OnTelnetCommand(line.trimmed());
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartFuzzApplication();
    TestSupport::ClearSettings();
    // The logs that OPEN makes go to a folder of the run's own, removed at its end.
    static QTemporaryDir logFolder;
    QSettings().setValue("LogFiles/GPSLogFolder", logFolder.path());
    QSettings().setValue("LogFiles/TicLogFolder", logFolder.path());
    window = new MainWindow;
    window->bGpsSearchActive = false;
    // A server without a client: every reply goes nowhere, as SendLine promises.
    window->telnetServer = new TelnetTcpServer(nullptr);
    DeliverPostedEvents();
    return 0;
}

// The first byte chooses the block sizes; the rest is what the client sends.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DeliverPostedEventsNowAndThen();
    if (size == 0)
        return 0;
    unsigned seed = data[0];
    const char* stream = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = static_cast<qsizetype>(size - 1);
    RemoteLineReader reader;
    for (qsizetype pos = 0; pos < length;) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype take = std::min<qsizetype>(1 + (seed >> 16) % 300, length - pos);
        reader.Feed(stream + pos, take, TakeLine);
        pos += take;
    }
    return 0;
}
