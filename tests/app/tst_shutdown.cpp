// The program itself stopped by the signals of a system shutdown, Ctrl+C and a closed
// terminal: its own process, with home, settings and logs in a temporary folder.

#include "socatpair.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

namespace {

// The serial port's lock file, in the first of the lock folders that it can be in.
QStringList LockFiles(const QString& port)
{
    QStringList found;
    for (const char* folder : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"})
        if (QFile::exists(QString::fromLatin1(folder) + "/LCK.." + QString(port).replace('/', '_')))
            found << QString::fromLatin1(folder);
    return found;
}

}  // namespace

class TestShutdown : public QObject
{
    Q_OBJECT

private slots:
    void signalEndsTheRunCleanly_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    // With the GPS log opened over the remote link and the receiver port open: the log
    // gets its closing line, the port's lock is gone, the settings are saved.
    void signalEndsTheRunCleanly()
    {
        QFETCH(int, number);
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        QTemporaryDir home;
        const QDir logs(home.filePath("logs"));
        QTcpServer probe;  // a free port in the range the remote link takes
        quint16 remotePort = 20000 + QCoreApplication::applicationPid() % 9000;
        while (!probe.listen(QHostAddress::Any, remotePort))
            ++remotePort;
        probe.close();
        const QString store = home.filePath(".config/KVX Systems/Horalux.conf");
        {
            // The clock settings stay off: nothing here can set the clock.
            QSettings settings(store, QSettings::IniFormat);
            settings.setValue("GpsPortDialog/GPS Serial Port", pair.ProgramEnd());
            settings.setValue("GpsPortDialog/GPS Serial Port Mode", "Generic NMEA");
            settings.setValue("GpsPortDialog/GPS Serial Port PPS Interface", 0);
            settings.setValue("TelnetDialog/TelnetActivate", true);
            settings.setValue("TelnetDialog/TelnetServerPort", remotePort);
            settings.setValue("LogFiles/GPSLogFolder", logs.path());
        }
        QVERIFY(logs.mkpath("."));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(HORALUX_PROGRAM), {});
        QTcpSocket remote;
        QVERIFY(TestSupport::WaitFor([&] {
            if (remote.state() == QAbstractSocket::UnconnectedState)
                remote.connectToHost(QHostAddress::LocalHost, remotePort);
            return remote.waitForConnected(100);
        }, 15000));
        remote.write("$VUDUZ,GPSLOG,OPEN\r\n");
        QByteArray replies;
        QVERIFY(TestSupport::WaitFor([&] { return (replies += remote.readAll()).contains("GPSLOG,"); }));
        QVERIFY2(replies.contains("$VUDUZ,GPSLOG,OK,") && logs.count() == 3, replies.constData());
        QVERIFY2(!LockFiles(pair.ProgramEnd()).isEmpty(), "no lock file to see go");

        QCOMPARE(::kill(pid_t(program.processId()), number), 0);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
        QFile log(logs.filePath(logs.entryList(QDir::Files).value(0)));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QVERIFY2(lines.value(lines.size() - 3).startsWith("; Closed GPS Data Log "), lines.join('\n').constData());
        QCOMPARE(LockFiles(pair.ProgramEnd()), QStringList());
        QVERIFY(QSettings(store, QSettings::IniFormat).contains("MainWindow/geometry"));
    }
};

HORALUX_TEST(TestShutdown);
#include "tst_shutdown.moc"
