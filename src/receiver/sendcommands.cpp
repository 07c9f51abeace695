// The one road for commands to the receiver, and the waits for their answers.

#include "mainwindow.h"

#include "gpsrawdatadialog.h"
#include "gpsrxiddialog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QThread>
#include <QTimer>

namespace {

// Time-outs and wait steps are written for the 2500 ms step; a shortened step shortens
// them alike, so a wait always runs the same number of steps.
constexpr int kNominalWaitStepMs = 2500;
constexpr int kLongPauseMs = 500;
// How often a wait looks whether the program is ending.
constexpr int kExitCheckMs = 20;

// A wait must not hold the program once the user has asked it to end.
bool WaitMustEnd(const MainWindow& window)
{
    return window.bExitRequested || window.bShuttingDown;
}

void Pause(const MainWindow& window, int ms)
{
    if (ms > 0 && !WaitMustEnd(window))
        QThread::msleep(static_cast<unsigned long>(ms));
}

bool IsUbx(const QByteArray& msg)
{
    return msg.size() >= 2 && static_cast<unsigned char>(msg.at(0)) == 0xB5 && msg.at(1) == 'b';
}

QString HexBytes(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size() * 4);
    for (char c : bytes)
        text += QStringLiteral("<%1>").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

// The commands that SendCommandAndWait knows, in the order they are recognised.
enum class Command {
    Empty, Pmotg, Garmin, Ci, Cj, Ba, Ea, Ha, Bh, Traim, Wb, OtherMotorola, LoranNoWait,
    Loran, MonVer, OtherUbx, Other
};

Command Classify(const QByteArray& cmd)
{
    if (cmd.isEmpty())
        return Command::Empty;
    if (cmd.startsWith("$PMOTG"))
        return Command::Pmotg;
    if (cmd.startsWith("$PGRM") || cmd.startsWith("$GPALM"))
        return Command::Garmin;
    if (cmd.startsWith("@@")) {
        const QByteArray head = cmd.left(4);
        if (head == "@@Ci")
            return Command::Ci;
        if (head == "@@Cj")
            return Command::Cj;
        if (head == "@@Ba")
            return Command::Ba;
        if (head == "@@Ea")
            return Command::Ea;
        if (head == "@@Ha")
            return Command::Ha;
        if (head == "@@Bh")
            return Command::Bh;
        if (head == "@@Bn" || head == "@@En" || head == "@@Hn")
            return Command::Traim;
        if (head == "@@Wb")
            return Command::Wb;
        return Command::OtherMotorola;
    }
    if (cmd == "BIN" || cmd == "NMEA")
        return Command::LoranNoWait;
    if (cmd == "Z" || cmd.startsWith('T'))
        return Command::Loran;
    if (IsUbx(cmd)) {
        if (cmd.size() >= 4 && cmd.at(2) == 0x0A && cmd.at(3) == 0x04)
            return Command::MonVer;
        return Command::OtherUbx;
    }
    return Command::Other;
}

}  // namespace

QString MainWindow::CommandEcho(const QByteArray& cmd, bool bTkAsText)
{
    const QString arrow = QStringLiteral("<- ");
    if (cmd.startsWith('$'))
        return arrow + QString::fromLatin1(cmd);
    if (IsUbx(cmd) || cmd.startsWith("UU"))
        return arrow + HexBytes(cmd);
    if (cmd.startsWith("@@")) {
        // The head as letters; "@@Tk" carries a text that is shown as such.
        const qsizetype shown = bTkAsText && cmd.startsWith("@@Tk") ? 59 : 4;
        return arrow + QString::fromLatin1(cmd.left(shown)) + HexBytes(cmd.mid(shown));
    }
    return QString();
}

void MainWindow::SendGpsMessage(QByteArray message)
{
    if (message.isEmpty())
        return;
    GpsSerialPortThread::AppendProtocolChecksum(message);
    emit sendGpsMessage(message);
    if (message.startsWith("UU"))
        QCoreApplication::processEvents();  // the start of a firmware load
    const QString echo = CommandEcho(message, true);
    if (!echo.isEmpty() && gpsRawDataDialog)
        gpsRawDataDialog->AppendText(echo);
    Pause(*this, commandPauseMs);
}

bool MainWindow::SendCommandAndWait(QByteArray cmd)
{
    const Command command = Classify(cmd);
    QList<AnswerFlag> flags;
    int timeoutMs = 0;        // 0: nothing to wait for
    int pauseMs = 0;          // after sending, before any wait
    bool bResultNoWait = false;
    switch (command) {
    case Command::Empty:
    case Command::Other:
        return false;
    case Command::OtherUbx:
        return true;
    case Command::Pmotg:
        flags = {AnswerPmotg};
        timeoutMs = 3000;
        if (cmd.mid(7, 3) == "FOR")
            pauseMs = kLongPauseMs;
        break;
    case Command::Garmin:
        flags = {AnswerPgrm, AnswerGpalm};
        timeoutMs = 3000;
        break;
    case Command::Ci:
        pauseMs = kLongPauseMs;
        bResultNoWait = true;
        break;
    case Command::Cj:
        flags = {AnswerCj};
        timeoutMs = 5000;
        break;
    case Command::Ba:
        flags = {AnswerBa};
        timeoutMs = 3000;
        break;
    case Command::Ea:
        flags = {AnswerEa};
        timeoutMs = 3000;
        break;
    case Command::Ha:
        flags = {AnswerHa};
        timeoutMs = 3000;
        break;
    case Command::Bh:
        flags = {AnswerBh};
        timeoutMs = 5000;
        break;
    case Command::Traim:
        flags = {AnswerBn, AnswerEn, AnswerHn};
        timeoutMs = 5000;
        break;
    case Command::Wb:
        flags = {AnswerWb};
        timeoutMs = 5000;
        break;
    case Command::OtherMotorola:
        break;
    case Command::LoranNoWait:
        flags = {AnswerLoran};
        pauseMs = kLongPauseMs;
        bResultNoWait = true;
        break;
    case Command::Loran:
        flags = {AnswerLoran};
        timeoutMs = 5000;
        break;
    case Command::MonVer:
        flags = {AnswerMonVer};
        timeoutMs = 5000;
        break;
    }

    for (AnswerFlag f : flags)
        bAnswerReceived[f] = false;
    GpsSerialPortThread::AppendProtocolChecksum(cmd);
    emit sendGpsMessage(cmd);
    const QString echo = CommandEcho(cmd, false);
    if (!echo.isEmpty() && gpsRawDataDialog)
        gpsRawDataDialog->AppendText(echo);
    Pause(*this, pauseMs);
    if (timeoutMs == 0)
        return bResultNoWait;

    // As many whole steps as the time-out holds, rounded up: the count does not depend
    // on which of two timers fires first.
    const int steps = (timeoutMs + kNominalWaitStepMs - 1) / kNominalWaitStepMs;
    bool bAnswered = false;
    for (int step = 0; step < steps && !WaitMustEnd(*this); ++step) {
        WaitForReceiverAnswer();
        for (AnswerFlag f : flags)
            bAnswered = bAnswered || bAnswerReceived[f];
        if (bAnswered)
            break;
    }

    QString finding;
    switch (command) {
    case Command::Pmotg:
        if (!bAnswered)
            qWarning("Timeout: no response to Motorola Cmd %s", cmd.constData());
        break;
    case Command::Garmin:
        if (!bAnswered)
            qWarning("Timeout: no response to Garmin Cmd %s", cmd.constData());
        break;
    case Command::Cj:
    case Command::Wb:
        if (!bAnswered)
            finding = QStringLiteral("@@Cj Timeout - no valid version number!");
        break;
    case Command::Ba:
    case Command::Ea:
    case Command::Ha: {
        const int channels = command == Command::Ba ? 6 : command == Command::Ea ? 8 : 12;
        const QString head = QString::fromLatin1(cmd.left(4));
        if (bAnswered) {
            finding = QStringLiteral("%1 OK - must be a %2-channel Rcvr").arg(head).arg(channels);
            receiverInfo.channelCount = channels;
            receiverInfo.channelCountReported = channels;
        } else {
            finding = QStringLiteral("%1 Timeout - not a %2-channel Rcvr").arg(head).arg(channels);
        }
        break;
    }
    case Command::Bh:
        finding = bAnswered ? QStringLiteral("@@Bh OK - must be a DGPS Rcvr")
                            : QStringLiteral("@@Bh Timeout - must be a non-DGPS Rcvr");
        receiverInfo.bHasDgps = bAnswered;
        break;
    case Command::Traim:
        finding = QString::fromLatin1(cmd.left(4))
                + (bAnswered ? QStringLiteral(" OK - must have T-RAIM")
                             : QStringLiteral(" Timeout - must not have T-RAIM"));
        receiverInfo.bHasTraim = bAnswered;
        break;
    case Command::Loran:
        if (!bAnswered)
            finding = QStringLiteral("Timeout: no response to Motorola Loran Cmd ")
                    + QString::fromLatin1(cmd) + QStringLiteral("\n");
        break;
    case Command::MonVer:
        if (!bAnswered)
            finding = QStringLiteral(" Timeout - no response to MON-VER request");
        break;
    default:
        break;
    }
    if (!finding.isEmpty() && gpsRxIdDialog)
        gpsRxIdDialog->SetRxIdText(finding);
    for (AnswerFlag f : flags)
        bAnswerReceived[f] = false;
    return bAnswered;
}

bool MainWindow::WaitForReceiverAnswer()
{
    // Received messages are decoded only while this wait runs, so the answer can set
    // its flag.
    const bool bSearchWasActive = bGpsSearchActive;
    bGpsSearchActive = false;
    if (!WaitMustEnd(*this)) {
        QEventLoop loop;
        QTimer step;
        step.setSingleShot(true);
        step.setTimerType(Qt::PreciseTimer);
        connect(&step, &QTimer::timeout, &loop, &QEventLoop::quit);
        QTimer exitCheck;
        connect(&exitCheck, &QTimer::timeout, &loop, [this, &loop] {
            if (WaitMustEnd(*this))
                loop.quit();
        });
        step.start(answerWaitStepMs);
        exitCheck.start(kExitCheckMs);
        loop.exec();
    }
    bGpsSearchActive = bSearchWasActive;
    return true;
}

bool MainWindow::CheckLoranAnswer(QByteArray text)
{
    for (char c : text) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!alnum)
            return false;
    }
    bAnswerReceived[AnswerLoran] = true;
    return true;
}
