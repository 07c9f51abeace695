// The program itself, as started: stopped by the signals of a system shutdown, Ctrl+C
// and a closed terminal, and run under a limit on file size with that signal at its
// default. Its own process, with home, settings and logs in a temporary folder.

#include "framebuilders.h"
#include "gpsserialportthread.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

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

// The program in a home of its own: its GPS port at gpsPort in "Generic NMEA", its
// remote link on a free port, its logs in home/logs.
class Program
{
public:
    explicit Program(const QString& gpsPort, int gpsLogType = 0) : logs(home.filePath("logs"))
    {
        remotePort = TestSupport::FreePort();
        {
            // The clock settings stay off: nothing here can set the clock.
            QSettings settings(store(), QSettings::IniFormat);
            settings.setValue("GpsPortDialog/GPS Serial Port", gpsPort);
            settings.setValue("GpsPortDialog/GPS Serial Port Mode", "Generic NMEA");
            settings.setValue("GpsPortDialog/GPS Serial Port PPS Interface", 0);
            settings.setValue("TelnetDialog/TelnetActivate", true);
            settings.setValue("TelnetDialog/TelnetServerPort", remotePort);
            settings.setValue("LogFiles/GPSLogFolder", logs.path());
            settings.setValue("LogFiles/GPSLogType", gpsLogType);
        }
        logs.mkpath(".");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        // Whatever the test process does with it, the program starts with the default.
        process.setChildProcessModifier([] { std::signal(SIGXFSZ, SIG_DFL); });
        process.start(QStringLiteral(HORALUX_PROGRAM), {});
    }

    QString store() const { return home.filePath(".config/KVX Systems/Horalux.conf"); }
    pid_t Pid() const { return pid_t(process.processId()); }

    // The answer to "$VUDUZ,<command>" over the remote link, once it names word.
    QByteArray Ask(const QByteArray& command, const QByteArray& word)
    {
        if (remote.state() != QAbstractSocket::ConnectedState) {
            TestSupport::WaitFor([&] {
                if (remote.state() == QAbstractSocket::UnconnectedState)
                    remote.connectToHost(QHostAddress::LocalHost, remotePort);
                return remote.waitForConnected(100);
            }, 15000);
        }
        remote.readAll();
        remote.write("$VUDUZ," + command + "\r\n");
        QByteArray replies;
        TestSupport::WaitFor([&] { return (replies += remote.readAll()).contains(word); });
        return replies;
    }

    QString LogText() const
    {
        QFile log(logs.filePath(logs.entryList(QDir::Files).value(0)));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    QTemporaryDir home;
    QDir logs;
    quint16 remotePort = 0;
    QProcess process;
    QTcpSocket remote;
};

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
        Program program(pair.ProgramEnd());
        const QByteArray replies = program.Ask("GPSLOG,OPEN", "GPSLOG,");
        QVERIFY2(replies.contains("$VUDUZ,GPSLOG,OK,") && program.logs.count() == 3, replies.constData());
        QVERIFY2(!LockFiles(pair.ProgramEnd()).isEmpty(), "no lock file to see go");

        QCOMPARE(::kill(program.Pid(), number), 0);
        QVERIFY(program.process.waitForFinished(10000));
        QVERIFY(program.process.exitStatus() == QProcess::NormalExit && program.process.exitCode() == 0);
        const QStringList lines = program.LogText().split('\n');
        QVERIFY2(lines.value(lines.size() - 3).startsWith("; Closed GPS Data Log "), qPrintable(lines.join('\n')));
        QCOMPARE(LockFiles(pair.ProgramEnd()), QStringList());
        QVERIFY(QSettings(program.store(), QSettings::IniFormat).contains("MainWindow/geometry"));
    }

    void fileSizeLimitDoesNotEndTheRun_data()
    {
        QTest::addColumn<int>("headroom");  // the bytes the log may still grow by under the limit
        QTest::newRow("a record cut at the limit") << 100;
        QTest::newRow("the file full to the byte") << 0;
    }

    // An NMEA log reaching a file-size limit set on the running program: it lives on,
    // STATUS says why, no record is cut, and once the limit is raised one comment line
    // tells the records lost before the next.
    void fileSizeLimitDoesNotEndTheRun()
    {
        QFETCH(int, headroom);
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        Program program(pair.ProgramEnd(), 3);
        QFile rx(pair.ReceiverEnd());
        QVERIFY(rx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        // The receiver's seconds as the program's clock counts them: times that run ahead
        // of it are out of step and logged as no second.
        QElapsedTimer elapsed;
        elapsed.start();
        const auto feed = [&](int count) {
            for (int k = 0; k < count; ++k) {
                const QByteArray time = QTime(12, 0).addSecs(int(elapsed.elapsed() / 1000)).toString("HHmmss").toLatin1();
                rx.write(FrameBuilders::Nmea("$GPRMC," + time + ".00,A,4807.038,N,01131.000,E,0.0,0.0,311224,,") + "\r\n");
                QTest::qWait(150);
            }
        };
        QVERIFY(program.Ask("GPSLOG,STATUS", "GPSLOG,").contains("$VUDUZ,GPSLOG,CLOSED"));
        // The log opens on the receiver's day once its time has come in.
        QVERIFY(TestSupport::WaitFor([&] {
            feed(1);
            if (program.Ask("GPSLOG,OPEN", "GPSLOG,").contains("$VUDUZ,GPSLOG,OK,GPS2024366.txt"))
                return true;
            program.Ask("GPSLOG,CLOSE", "GPSLOG,");
            return false;
        }, 15000));
        feed(2);
        rlimit old = {};
        QVERIFY(prlimit(program.Pid(), RLIMIT_FSIZE, nullptr, &old) == 0);
        rlimit low = old;
        low.rlim_cur = QFileInfo(program.logs.filePath(program.logs.entryList(QDir::Files).value(0))).size() + headroom;
        QVERIFY(prlimit(program.Pid(), RLIMIT_FSIZE, &low, nullptr) == 0);
        QByteArray status;
        QVERIFY2(TestSupport::WaitFor([&] {
            feed(1);
            return (status = program.Ask("GPSLOG,STATUS", "GPSLOG,")).contains("File too large");
        }, 15000), status.constData());
        QVERIFY(status.contains("$VUDUZ,GPSLOG,ERROR,") && program.process.state() == QProcess::Running);
        QVERIFY(prlimit(program.Pid(), RLIMIT_FSIZE, &old, nullptr) == 0);
        QVERIFY2(TestSupport::WaitFor([&] {
            feed(1);
            return (status = program.Ask("GPSLOG,STATUS", "GPSLOG,")).contains("$VUDUZ,GPSLOG,OK,");
        }, 15000), status.constData());
        QCOMPARE(::kill(program.Pid(), SIGTERM), 0);
        QVERIFY(program.process.waitForFinished(10000) && program.process.exitCode() == 0);

        const QString log = program.LogText();
        QVERIFY2(log.endsWith("\n; \n"), qPrintable(log));
        const QStringList lines = log.split('\n');
        for (const QString& line : lines) {
            QByteArray record = line.toLatin1();
            QVERIFY2(line.startsWith(';') || line.isEmpty() || GpsSerialPortThread::CheckNmeaChecksum(record),
                     qPrintable(line));
        }
        const QRegularExpression gap("^; \\d+ records not written from 31-Dec-2024 12:00:\\d\\d UTC to 31-Dec-2024 "
                                     "12:00:\\d\\d UTC: File too large$");
        const int gapLine = int(lines.indexOf(gap));
        QVERIFY2(gapLine > 0 && lines.filter(gap).size() == 1 && lines.value(gapLine + 1).startsWith("$GPGGA,"),
                 qPrintable(log));
    }
};

HORALUX_TEST(TestShutdown);
#include "tst_shutdown.moc"
