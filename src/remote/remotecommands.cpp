// Commands from the remote-control client. No command raises a box, touches a folder,
// the receiver, the clock or a shell: every failure is an ERROR reply.

#include "mainwindow.h"

#include "geoidmodel.h"
#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "logfilenames.h"
#include "numericfield.h"
#include "remoteline.h"
#include "telnettcpserver.h"
#include "ticfiledialog.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <utility>

namespace {

QByteArray ErrorReply(const QByteArray& word, const QByteArray& reason = QByteArray())
{
    return RemoteLine::Sentence(word + ",ERROR" + (reason.isEmpty() ? QByteArray() : "," + reason));
}

// A reason fit for one field of a reply: printable ASCII without the sentence's own
// separators, and without the log folder, which is the station's own business.
QByteArray ReasonField(QString reason, const QString& folder)
{
    if (!folder.isEmpty())
        reason.replace(QDir::cleanPath(folder) + QLatin1Char('/'), QString());
    QByteArray field = reason.toLatin1();
    for (char& c : field) {
        if (c < 0x20 || c > 0x7E || c == ',' || c == '*')
            c = ' ';
    }
    return field.simplified();
}

// An angle field for the grammar, which knows the degree sign as one character: the
// REFLOC reply writes it in UTF-8, a client may send it in Latin-1.
QString AngleField(QByteArray field)
{
    field.replace("\xC2\xB0", "\xB0");
    return QString::fromLatin1(field);
}

// The keys a CONFIG command writes, gathered first: nothing is written unless every
// field is good. An empty field keeps its stored value.
class ConfigChanges
{
public:
    explicit ConfigChanges(const QList<QByteArray>& fields) : fields(fields) {}

    bool Number(int index, const char* name, int low, int high, const char* key)
    {
        int value = 0;
        if (Empty(index))
            return true;
        if (!NumericField::Parse(QString::fromLatin1(fields.at(index)), low, high, &value))
            return Refuse(name);
        changes.append({QLatin1String(key), value});
        return true;
    }

    // Seconds between logged seconds, one of the GPS log's choices; stored as its index.
    bool Every(int index, const char* key)
    {
        if (Empty(index))
            return true;
        for (int choice = 0; choice < LogFileNames::kGpsLogEveryCount; ++choice) {
            if (fields.at(index) == QByteArray::number(LogFileNames::GpsLogPeriodSeconds(choice))) {
                changes.append({QLatin1String(key), choice});
                return true;
            }
        }
        return Refuse("every");
    }

    // Checked as the log dialogs check it; the folder is never set from here.
    bool Prefix(int index, const char* key)
    {
        if (Empty(index))
            return true;
        const QString prefix = QString::fromLatin1(fields.at(index));
        if (!LogFileNames::IsValidPrefix(prefix))
            return Refuse("prefix");
        changes.append({QLatin1String(key), prefix});
        return true;
    }

    void Write() const
    {
        QSettings settings;
        for (const auto& [key, value] : changes)
            settings.setValue(key, value);
    }

    QByteArray reason;

private:
    bool Empty(int index) const { return index >= fields.size() || fields.at(index).isEmpty(); }
    bool Refuse(const char* name)
    {
        reason = QByteArray("bad ") + name;
        return false;
    }

    const QList<QByteArray>& fields;
    QList<std::pair<QString, QVariant>> changes;
};

}  // namespace

void MainWindow::OnTelnetCommand(QByteArray qbComand)
{
    if (bShuttingDown || !telnetServer)
        return;
    const QByteArray reply = AnswerRemoteCommand(qbComand);
    // The server may be gone if the command closed the link.
    if (!reply.isEmpty() && telnetServer)
        telnetServer->SendLine(reply);
}

QByteArray MainWindow::AnswerRemoteCommand(const QByteArray& line)
{
    const RemoteCommand command = RemoteCommand::Parse(line);
    switch (command.kind) {
    case RemoteCommand::Unknown:
        break;
    case RemoteCommand::Version:
        return RemoteLine::Sentence("VERSION," + programVersion.toString().toLatin1());
    case RemoteCommand::RefLocQuery:
        return RefLocReply();
    case RemoteCommand::RefLocSet:
        return SetRemoteRefLocation(command.fields);
    case RemoteCommand::LogOpen:
    case RemoteCommand::LogClose:
    case RemoteCommand::LogStatus:
    case RemoteCommand::LogConfig:
        return RemoteLogCommand(command);
    case RemoteCommand::TicDataNow:
        return command.bAverage ? RemoteLine::Sentence("TICDATA,AVERAGE," + lastTicAverageLine)
                                : RemoteLine::Sentence("TICDATA,TIME," + lastTicTimeLine);
    case RemoteCommand::TicDataStream:
        // The TIC processing sends the lines as they come; OFF, NEXT and ON are not answered.
        (command.bAverage ? ticAverageStreamMode : ticTimeStreamMode) = command.streamMode;
        return QByteArray();
    }
    return RemoteLine::Echo(line);
}

QByteArray MainWindow::RefLocReply() const
{
    if (!gpsNavDialog)
        return ErrorReply("REFLOC");
    return RemoteLine::Sentence("REFLOC," + gpsNavDialog->FormatPositionCsv(4).toUtf8());
}

// REFLOC,lat,lon,altGps[,altMsl]: parsed without a box; a missing MSL altitude is the
// GPS altitude less the geoid's height at the place.
QByteArray MainWindow::SetRemoteRefLocation(const QList<QByteArray>& fields)
{
    if (!gpsNavDialog || fields.size() < 3 || fields.size() > 4)
        return ErrorReply("REFLOC");
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    if (!gpsNavDialog->ParseLatitude(AngleField(fields.at(0)), &lat, false)
        || !gpsNavDialog->ParseLongitude(AngleField(fields.at(1)), &lon, false)
        || !gpsNavDialog->ParseAltitude(QString::fromLatin1(fields.at(2)), &altGps, false))
        return ErrorReply("REFLOC");
    if (fields.size() == 4 && !fields.at(3).isEmpty()) {
        if (!gpsNavDialog->ParseAltitude(QString::fromLatin1(fields.at(3)), &altMsl, false))
            return ErrorReply("REFLOC");
    } else {
        altMsl = altGps - GeoidModel::GeoidSeparation(lat, lon);
    }
    gpsNavDialog->SetRefLocation(lat, lon, altGps, altMsl);
    // The clocks' site for local sidereal time follows, as for a typed location.
    displayTime.SetLocation(lat, lon);
    receiverTime.SetLocation(lat, lon);
    return RefLocReply();
}

// Opens, closes or reports the GPS log or the TIC log set through the same functions as
// the menus; a close never asks, as nobody at the station would answer.
QByteArray MainWindow::RemoteLogCommand(const RemoteCommand& command)
{
    const QByteArray word = command.bTicLog ? "TICLOG" : "GPSLOG";
    if (!gpsLogTypeDialog || !ticFileDialog)
        return ErrorReply(word);
    if (command.kind == RemoteCommand::LogConfig)
        return RemoteLogConfig(command);
    const QFile& file = command.bTicLog ? ticCombinedLog : gpsLogFile;
    // An open log is left as it is: reopening it would add a trailer and a header.
    if (command.kind == RemoteCommand::LogOpen && !file.isOpen()) {
        QString error;
        if (!(command.bTicLog ? OpenTicLogs(&error) : OpenGpsLog(&error))) {
            const QString& folder = command.bTicLog ? ticFileDialog->ticLogFolder : gpsLogTypeDialog->gpsLogFolder;
            return ErrorReply(word, ReasonField(error, folder));
        }
    } else if (command.kind == RemoteCommand::LogClose) {
        if (command.bTicLog)
            CloseTicLogs(true);
        else
            CloseGpsLog(true);
    }
    if (!file.isOpen())
        return RemoteLine::Sentence(word + ",CLOSED");
    // A log that cannot be written is not OK, though it is open; a removed folder is
    // found now, not with the next record.
    CheckOpenLogs();
    const QString problem = command.bTicLog ? TicLogsProblem() : GpsLogProblem();
    if (!problem.isEmpty()) {
        const QString& folder = command.bTicLog ? ticFileDialog->ticLogFolder : gpsLogTypeDialog->gpsLogFolder;
        return ErrorReply(word, ReasonField(problem, folder));
    }
    return RemoteLine::Sentence(word + ",OK," + QFileInfo(file.fileName()).fileName().toLatin1());
}

// GPSLOG,CONFIG,type,every,prefix and TICLOG,CONFIG,style,tag,timeperiod,avgperiod,prefix:
// the "LogFiles/" keys that the next OPEN reads.
QByteArray MainWindow::RemoteLogConfig(const RemoteCommand& command)
{
    ConfigChanges config(command.fields);
    bool bGood = false;
    if (command.bTicLog) {
        bGood = command.fields.size() == 5 && config.Number(0, "style", 0, 2, "LogFiles/TicLogStyle")
            && config.Number(1, "tag", 0, 2, "LogFiles/TicTimeTagFormat")
            && config.Number(2, "timeperiod", 1, TicFileDialog::kMaxPeriod, "LogFiles/TicTimeLogPeriod")
            && config.Number(3, "avgperiod", 1, TicFileDialog::kMaxPeriod, "LogFiles/TicAveragingPeriod")
            && config.Prefix(4, "LogFiles/TicLogPrefix");
    } else {
        bGood = command.fields.size() == 3 && config.Number(0, "type", 0, 4, "LogFiles/GPSLogType")
            && config.Every(1, "LogFiles/GPSLogEvery") && config.Prefix(2, "LogFiles/GPSLogPrefix");
    }
    const QByteArray word = command.bTicLog ? "TICLOG" : "GPSLOG";
    if (!bGood)
        return ErrorReply(word, config.reason.isEmpty() ? QByteArray("bad field count") : config.reason);
    config.Write();
    // Keys that never reach the file are lost at the next start: no OK for them.
    WriteSettingsStore();
    if (!settingsNote.isEmpty())
        return ErrorReply(word, "settings not saved");
    return RemoteLine::Sentence(word + ",CONFIG,OK");
}

QString MainWindow::RemoteServerStatus() const
{
    if (!telnetServer)
        return QStringLiteral("The server is off.");
    if (!telnetServer->IsListening())
        return QStringLiteral("The server is not listening: %1").arg(telnetServer->ListenError());
    return QStringLiteral("The server listens on port %1%2.")
        .arg(telnetServer->Port())
        .arg(telnetServer->HasClient() ? QStringLiteral("; a client is connected") : QString());
}
