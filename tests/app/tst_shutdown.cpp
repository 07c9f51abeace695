// The program itself, stopped by the signals of a system shutdown, Ctrl+C and a closed
// terminal: a process of its own, with its home, settings and logs in a temporary folder.

#include "socatpair.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// Where a serial port's lock file may be: the first of these that can be written.
const char* const kLockFolders[] = {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                                    "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"};

QStringList LockFilesOf(const QString& port)
{
    const QString name = "LCK.." + QString(port).replace('/', '_');
    QStringList found;
    for (const char* folder : kLockFolders)
        if (QFile::exists(QDir(QString::fromLatin1(folder)).filePath(name)))
            found << QDir(QString::fromLatin1(folder)).filePath(name);
    return found;
}

// A port in the range the remote link accepts that nothing listens on now.
quint16 FreeRemotePort()
{
    for (quint16 port = 20000 + quint16(QCoreApplication::applicationPid() % 9000); port < 32768; ++port) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    return 0;
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
    // gets its closing line, the port's lock is gone and the settings were saved.
    void signalEndsTheRunCleanly()
    {
        QFETCH(int, number);
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString logs = home.filePath("logs");
        QVERIFY(QDir().mkpath(logs));
        const quint16 remotePort = FreeRemotePort();
        QVERIFY(remotePort != 0);
        {
            // Nothing here can set the clock: the clock settings stay off.
            QSettings store(home.filePath(".config/KVX Systems/Horalux.conf"), QSettings::IniFormat);
            store.setValue("GpsPortDialog/GPS Serial Port", pair.ProgramEnd());
            store.setValue("GpsPortDialog/GPS Serial Port Mode", "Generic NMEA");
            store.setValue("GpsPortDialog/GPS Serial Port PPS Interface", 0);
            store.setValue("TelnetDialog/TelnetActivate", true);
            store.setValue("TelnetDialog/TelnetServerPort", remotePort);
            store.setValue("LogFiles/GPSLogFolder", logs);
            store.setValue("SetPcClockDialog/Time Sync Mode", 0);
            store.setValue("SetPcClockDialog/Time Sync Delta", false);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(HORALUX_PROGRAM), {});
        QVERIFY(program.waitForStarted());

        QTcpSocket remote;
        QByteArray replies;
        QVERIFY(TestSupport::WaitFor([&] {
            if (remote.state() == QAbstractSocket::UnconnectedState)
                remote.connectToHost(QHostAddress::LocalHost, remotePort);
            return remote.waitForConnected(100);
        }, 15000));
        remote.write("$VUDUZ,GPSLOG,OPEN\r\n");
        QVERIFY(TestSupport::WaitFor([&] { replies += remote.readAll(); return replies.contains("GPSLOG,"); }, 5000));
        QVERIFY2(replies.contains("$VUDUZ,GPSLOG,OK,"), replies.constData());
        const QStringList files = QDir(logs).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY2(!LockFilesOf(pair.ProgramEnd()).isEmpty(), "the open port left no lock file to look for");

        QCOMPARE(::kill(pid_t(program.processId()), number), 0);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
        QFile log(QDir(logs).filePath(files[0]));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QVERIFY(lines.size() >= 3);
        QVERIFY2(lines[lines.size() - 3].startsWith("; Closed GPS Data Log "), lines[lines.size() - 3].constData());
        QCOMPARE(LockFilesOf(pair.ProgramEnd()), QStringList());
        QSettings saved(home.filePath(".config/KVX Systems/Horalux.conf"), QSettings::IniFormat);
        QVERIFY(saved.contains("MainWindow/geometry"));
    }
};

HORALUX_TEST(TestShutdown);
#include "tst_shutdown.moc"
