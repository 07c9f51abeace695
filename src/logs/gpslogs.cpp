// The GPS data log, the configuration log and the TIC log set as the rest of the
// program sees them.

#include "mainwindow.h"

#include "pctime.h"

#include <QMessageBox>
#include <QTextStream>

namespace {
// What the configuration log holds back until its file is open.
constexpr int kConfigurationBufferLimit = 20000;
}

void MainWindow::LogGpsMessage(QByteArray msg)
{
    if (!gpsLogFile.isOpen() || msg.isEmpty() || !bLogThisSecond)
        return;
}

void MainWindow::WriteGpsLogText(QString text)
{
    if (text.isEmpty() || !gpsLogFile.isOpen())
        return;
    gpsLogFile.write(text.toUtf8());
}

void MainWindow::LogConfigurationText(QString text)
{
    if (text.isEmpty())
        return;
    if (ticCombinedLog.isOpen()) {
        ticCombinedLog.write(text.toUtf8());
        return;
    }
    if (configurationBuffer.size() + text.size() > kConfigurationBufferLimit) {
        const QString overflow =
            QStringLiteral("*** Configuration buffer overflow before log opened ***\n");
        if (!configurationBuffer.endsWith(overflow))
            configurationBuffer += overflow;
        return;
    }
    configurationBuffer += text;
}

// Once a second, after a receiver time: the PC clock half first (it samples the PC time
// that the log half records), then the log half.
void MainWindow::LogStatusRecord()
{
    SyncPcClockThisSecond();
    LogStatusThisSecond();
}

void MainWindow::LogStatusThisSecond()
{
}

void MainWindow::WriteTicTimeLine(int port, const QByteArray& line)
{
    Q_UNUSED(port);
    Q_UNUSED(line);
}

void MainWindow::WriteTicAverageLine(int port, const QByteArray& line)
{
    Q_UNUSED(port);
    Q_UNUSED(line);
}

bool MainWindow::FlushTicLogs()
{
    if (!ticCombinedLog.isOpen())
        return false;
    for (int k = 0; k < 8; ++k) {
        if (ticAverageLogs[k].isOpen())
            ticAverageLogs[k].flush();
        if (ticTimeLogs[k].isOpen())
            ticTimeLogs[k].flush();
    }
    ticCombinedLog.flush();
    return true;
}

void MainWindow::CloseTicLogs(bool noAsk)
{
    if (!ticCombinedLog.isOpen())
        return;
    if (!noAsk &&
        QMessageBox::question(this, QStringLiteral("Horalux"),
                              QStringLiteral("Are you sure you want to close this TIC Log file set?")) !=
            QMessageBox::Yes)
        return;
    const QByteArray trailer = "; Closed TIC Data Logs " +
                               PcTime::CurrentUtc().toString("yyyy-MM-dd hh:mm:ss").toLatin1() +
                               " UTC\n; \n";
    for (int k = 0; k < 8; ++k) {
        for (QFile* file : {&ticAverageLogs[k], &ticTimeLogs[k]}) {
            if (file->isOpen()) {
                file->write(trailer);
                file->close();
            }
        }
    }
    ticCombinedLog.write(trailer);
    ticCombinedLog.close();
}

void MainWindow::CloseGpsLog(bool noAsk)
{
    if (!gpsLogFile.isOpen())
        return;
    if (!noAsk &&
        QMessageBox::question(this, QStringLiteral("Horalux"),
                              QStringLiteral("Are you sure you want to close this GPS Log file?")) !=
            QMessageBox::Yes)
        return;
    gpsLogFile.write("; Closed GPS Data Log " +
                     PcTime::CurrentUtc().toString("yyyy-MM-dd hh:mm:ss").toLatin1() + " UTC\n; \n");
    gpsLogFile.close();
}

void MainWindow::actionNew_GPS_Data_Log_triggered() {}
void MainWindow::actionOpen_GPS_Data_Log_triggered() {}
void MainWindow::actionClose_GPS_Data_Log_triggered() { CloseGpsLog(false); }
void MainWindow::actionNew_TIC_Data_Log_triggered() {}
void MainWindow::actionOpen_TIC_Data_Log_triggered() {}
void MainWindow::actionClose_TIC_Data_Log_triggered() { CloseTicLogs(false); }
