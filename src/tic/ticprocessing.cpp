// Lines from the time-interval counters.

#include "mainwindow.h"
#include "logtexts.h"
#include "pctime.h"
#include "remoteline.h"
#include "statusnotes.h"
#include "telnettcpserver.h"
#include "ticprocesseddatadialog.h"
#include "ticrawdatadialog.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QStringList>

#include <algorithm>

void MainWindow::OnNewTicText(QByteArray s)
{
    if (bShuttingDown)
        return;
    // The pulse this reading followed may still wait in the receiver port, with the GUI
    // thread held up: its tick goes first, so the reading is tagged with its second.
    gpsPortThread.HandOnSeenEdges();
    const qsizetype blank = s.indexOf(' ');
    bool ok = false;
    const int port = (blank < 0 ? s : s.first(blank)).toInt(&ok);
    if (!ok || port < 1 || port > 8) {
        qWarning("TIC line with a bad port number dropped: \"%s\"", LogTexts::Printable(s.left(64)).constData());
        return;
    }
    if (bTicRawDataVisible && ticRawDataDialog)
        ticRawDataDialog->AppendText(QString::fromLatin1(s));
    ProcessTicText(port, s.mid(blank + 1).trimmed());
}

double MainWindow::CorrectTicReading(int port, double rawUs)
{
    const int k = port - 1;
    double sawtoothUs = 0.0;
    if (bTicSawtoothPending[k]) {
        bTicSawtoothPending[k] = false;
        sawtoothUs = TicSawtoothTermUs(timingDialog ? timingDialog->sawtoothMode : -1, ticSawtoothNs[k]);
    }
    return CorrectTicMicroseconds(rawUs, sawtoothUs, timingDialog ? timingDialog->ppsOffsetLateUs : 0.0);
}

void MainWindow::ProcessTicText(int port, const QByteArray& text)
{
    if (port < 1 || port > 8)
        return;
    const int k = port - 1;
    if (bSawtoothValid) {
        bSawtoothValid = false;
        std::fill(std::begin(ticSawtoothNs), std::end(ticSawtoothNs), sawtoothNs);
        std::fill(std::begin(bTicSawtoothPending), std::end(bTicSawtoothPending), true);
    }

    // A line that is no finite reading (the counter's 9.91E+37, an error text) or one
    // of a second or more was shown raw and is used for nothing else.
    double rawUs = 0.0;
    const TicReadingKind kind = ParseTicReading(text, ticPortThreads[k].Settings().units, &rawUs);
    // Shown raw, and said: a counter that sends only such lines must be found out.
    if (kind == TicReadingKind::NoNumber)
        qDebug("TIC%d: \"%s\" is no reading, dropped.", port, LogTexts::Printable(text.left(64)).constData());
    // The counter's overflow is its answer when it measured nothing: no signal at an input.
    if (kind == TicReadingKind::NotANumber) {
        qDebug("TIC%d: \"%s\" is no reading (the counter's overflow or not finite: no measurement), dropped.", port,
               LogTexts::Printable(text.left(64)).constData());
    }
    if (kind == TicReadingKind::OneSecondPlus) {
        qDebug("TIC%d: reading \"%s\" of 1 s or more dropped (%d since the port was opened).", port,
               LogTexts::Printable(text.left(64)).constData(), ++ticPortThreads[k].longReadingsDropped);
    }
    if (kind != TicReadingKind::Number)
        return;

    ticDataAge[k] = 0;
    if (bTicPortStale[k]) {
        // After a gap the port starts afresh: a new block, and no sawtooth that
        // belonged to a reading it never made.
        bTicPortStale[k] = false;
        bTicSawtoothPending[k] = false;
        ticAveragers[k].Reset();
        ticReadingsSinceTimeLine[k] = 0;
    }
    OpenTicPortLogs(port);
    TicOutput out;
    out.port = port;
    out.correctedUs = CorrectTicReading(port, rawUs);
    out.rawUs = rawUs;
    // With the receiver silent or its port off, the PC's UTC keeps the tags moving.
    out.tagTime = LogTagTime();
    if (++ticReadingsSinceTimeLine[k] >= std::max(1, ticTimeLogPeriod)) {
        ticReadingsSinceTimeLine[k] = 0;
        out.bTimeLine = true;
    }
    TicAverager& block = ticAveragers[k];
    block.Add(out.correctedUs);
    if (block.Count() >= std::max(1, ticAveragingPeriod)) {
        out.average = block;
        block.Reset();
    }
    out.shown = QString::asprintf("TIC%d %.6f %.6f", port, out.correctedUs, rawUs)
                + QString::asprintf(" %05.3f %i %05.3f ", sawtoothNs, timeAccuracyNs,
                                    timingDialog ? timingDialog->ppsOffsetLateUs : 0.0);
    if (!HoldTicOutput(out))
        WriteTicOutput(out, out.tagTime);

    // The TIC display follows the lowest-numbered port that is reading.
    const bool* firstLive = std::find(std::begin(bTicPortStale), std::end(bTicPortStale), false);
    if (firstLive - std::begin(bTicPortStale) == k) {
        ticPanelPort = port;
        ShowTicPanelText(QString::asprintf("%.3f", clockDisplayMode == 7 ? rawUs : out.correctedUs));
    }
}

void MainWindow::WriteTicOutput(const TicOutput& out, const UtcDateTime& tagTime)
{
    const QString tag = TicTimeTag(ticTimeTagFormat, tagTime);
    const QDateTime tagUtc = ticTimeTagFormat == 2 ? PcTime::CurrentUtc() : tagTime.dateTime;
    const char delimiter = TicLogDelimiter(ticLogStyle);
    const int port = out.port;
    if (out.bTimeLine) {
        const auto line = [&](char between) { return TicTimeLine(port, tag, out.correctedUs, out.rawUs, between); };
        lastTicTimeLine = line(',');
        WriteTicTimeLine(port, delimiter == ',' ? lastTicTimeLine : line(delimiter), tagUtc);
        StreamTicLine("TICDATA,TIME,", lastTicTimeLine, ticTimeStreamMode);
    }
    if (out.average) {
        lastTicAverageLine = TicAverageLine(port, tag, *out.average, ',');
        WriteTicAverageLine(
            port, delimiter == ',' ? lastTicAverageLine : TicAverageLine(port, tag, *out.average, delimiter), tagUtc);
        StreamTicLine("TICDATA,AVERAGE,", lastTicAverageLine, ticAverageStreamMode);
    }
    if (bTicProcessedDataVisible && ticProcessedDataDialog && ticProcessedDataDialog->isVisible())
        ticProcessedDataDialog->AppendText((tag.isEmpty() ? QString() : tag + QLatin1Char(' ')) + out.shown);
}

void MainWindow::ShowTicPanelText(const QString& value)
{
    ui->TIC_Data->setText(value);
    if (clockDisplayMode == 6 || clockDisplayMode == 7) {
        ticClockText = value;
        ui->ClockDisplay->setText(value);
    }
}

void MainWindow::BlankStaleTicPanel()
{
    // An old reading left on show would pass for the counter's current one.
    if (bShuttingDown || ticPanelPort == 0 || !bTicPortStale[ticPanelPort - 1])
        return;
    ticPanelPort = 0;
    ShowTicPanelText(QString());
}

void MainWindow::OnTicLinkStatus(int iTicPort, bool bLinkUp, QString text)
{
    if (bShuttingDown)
        return;
    if (!bLinkUp && iTicPort >= 1 && iTicPort <= 8) {
        // No reading can come over a lost link: its data is stale now, not three ticks on.
        bTicPortStale[iTicPort - 1] = true;
        BlankStaleTicPanel();
    }
    if (iTicPort < 1 || iTicPort > 8)
        return;
    // A failure stays on show until the counter is back; the return is said for a while;
    // an empty text ends whatever was said.
    const int k = iTicPort - 1;
    ticLinkNotes[k] = text;
    if (bLinkUp && !text.isEmpty())
        ticBackNotes.Begin(k);
    else
        ticBackNotes.Cancel(k);
    ShowTicLinkNotes();
}

void MainWindow::ShowTicLinkNotes()
{
    // Handed over one by one, so that each counter's head stays on screen; a serial
    // counter's device path loses its middle before the reason and the retry time go.
    // With many notes at once, the names of the counters not read are what stays; a
    // return is no such counter: it never joins them, and gives way before any failure.
    QStringList paths;
    QList<bool> returns;
    for (int k = 0; k < 8; ++k) {
        const TicPortSettings& settings = ticPortThreads[k].Settings();
        paths << (settings.IsOff() || settings.IsTcpIp() ? QString() : settings.portName);
        returns << ticBackNotes.IsShown(k);
    }
    ShowStatusNotes(ticLinkLabel, QStringList(std::begin(ticLinkNotes), std::end(ticLinkNotes)), paths, returns,
                    {QStringLiteral("not read"), QStringLiteral("counters")});
}

void MainWindow::StreamTicLine(const char* body, const QByteArray& line, int& streamMode)
{
    if (!telnetServer || streamMode == 0)
        return;
    // A stream belongs to the client that asked for it: the next client starts without.
    if (!telnetServer->HasClient()) {
        streamMode = 0;
        return;
    }
    // The same sentence, checksum included, as the immediate TICDATA reply.
    telnetServer->SendLine(RemoteLine::Sentence(body + line));
    if (streamMode == 1)
        streamMode = 0;
}
