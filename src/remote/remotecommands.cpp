// Commands from the remote-control client. No command raises a box, touches a folder,
// the receiver, the clock or a shell: every failure is an ERROR reply.

#include "mainwindow.h"

#include "geoidmodel.h"
#include "gpsnavdialog.h"
#include "remoteline.h"
#include "telnettcpserver.h"

namespace {

QByteArray ErrorReply(const QByteArray& word)
{
    return RemoteLine::Sentence(word + ",ERROR");
}

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
    return line.trimmed() + " ???";
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
    if (!gpsNavDialog->ParseLatitude(QString::fromLatin1(fields.at(0)), &lat, false)
        || !gpsNavDialog->ParseLongitude(QString::fromLatin1(fields.at(1)), &lon, false)
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

QByteArray MainWindow::RemoteLogCommand(const RemoteCommand& command)
{
    return ErrorReply(command.bTicLog ? "TICLOG" : "GPSLOG");
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
