// Logs kept through what a station meets unattended: a removed log folder, a file
// system that fills and frees, a receiver date wrong for a moment, and a receiver
// that falls silent.

#include "secondfeed.h"
#include "logfilecheck.h"
#include "remoteline.h"

#include <QElapsedTimer>
#include <QStatusBar>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A RAW GPS log and a TIC set, comma style, with time tags of the given format.
QHash<QString, QVariant> Keys(int tag = 2)
{
    return {{"LogFiles/GPSLogType", 0}, {"LogFiles/GPSLogPrefix", "GPS"}, {"LogFiles/TicLogStyle", 1},
            {"LogFiles/TicTimeTagFormat", tag}, {"LogFiles/TicLogPrefix", "TIC"}};
}

// Ports 1 and 3 take part in the TIC set; set after the window started its ports.
void UsePorts()
{
    LogWindow::Set("TicPortDialog/TIC1 Serial Port", "/dev/counter1");
    LogWindow::Set("TicPortDialog/TIC3 Serial Port", "TCP/IP");
}

QByteArray Status(MainWindow& w, const char* log)
{
    return w.AnswerRemoteCommand(QByteArray("$VUDUZ,") + log + ",STATUS");
}

}  // namespace

class TestLogKeeping : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { PcTime::SetFixedUtc(QDateTime()); }

    // The folder removed under an open GPS log and TIC set: a TIC reading right after
    // goes into its files made again; STATUS finds the others at once and makes them;
    // the next GPS record is in its new file.
    void vanishedFolderMadeAgain()
    {
        LogWindow lw(Keys());
        UsePorts();
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenGpsLog() && w.OpenTicLogs());
        w.ticTimeTagFormat = 3;  // no tag
        lw.Second(Utc(2024, 12, 31, 12, 0, 0));
        w.OnNewTicText("1 0.000025");
        const QStringList files = lw.Files();
        QCOMPARE(files.size(), 6);
        QVERIFY(QDir(lw.dir.path()).removeRecursively());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("TIC2024366T1.csv: made again after it vanished"));
        w.OnNewTicText("1 0.000032");
        QCOMPARE(lw.Files(), QStringList({"TIC2024366C.csv", "TIC2024366T1.csv"}));
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,OK,GPS2024366.txt"));
        QCOMPARE(lw.Files(), files);
        lw.Second(Utc(2024, 12, 31, 12, 0, 1));
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);

        for (const QString& name : files)
            QVERIFY2(lw.Read(name).startsWith("; Horalux ") && lw.Read(name).count("; Opened ") == 1 &&
                         lw.Read(name).contains("; Opened 31-Dec-2024 12:00:00 UTC\n"),
                     qPrintable(name));
        const QList<QByteArray> gps = DataLines(lw.Read("GPS2024366.txt"));
        QVERIFY(gps.size() == 1 && gps[0].startsWith("2024-12-31,12:00:01,"));
        QCOMPARE(DataLines(lw.Read("TIC2024366T1.csv")), QList<QByteArray>{"1,,32.000000,32.000000"});
        QCOMPARE(DataLines(lw.Read("TIC2024366C.csv")), QList<QByteArray>{"1,,32.000000,32.000000"});
    }

    // A folder that cannot be made again (a plain file took its name), and a new day's
    // file that cannot be made: STATUS and the note say so at once, the records go on
    // where they can, and the return is said.
    void filesThatCannotBeHad()
    {
        QTemporaryDir top;
        const QString folder = top.filePath("logs");
        LogWindow lw({{"LogFiles/GPSLogType", 0}, {"LogFiles/GPSLogPrefix", "GPS"}});
        LogWindow::Set("LogFiles/GPSLogFolder", folder);
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenGpsLog());
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GPS2024366.txt: vanished and cannot be made again"));
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,ERROR,GPS2024366.txt: vanished and cannot be made "
                                                           "again: Not a directory"));
        const QString unmade = "GPS log not written: GPS2024366.txt (vanished and cannot be made again: Not a directory)";
        QCOMPARE(w.logNoteLabel->toolTip(), unmade);
        lw.Second(Utc(2024, 12, 31, 23, 59, 58));  // a record with nowhere to go
        QVERIFY(!w.logNoteLabel->isHidden() && w.logNoteLabel->toolTip() == unmade);
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,ERROR,GPS2024366.txt: vanished and cannot be made "
                                                           "again: Not a directory"));
        QVERIFY(blocker.remove());
        lw.Second(Utc(2024, 12, 31, 23, 59, 59));
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,OK,GPS2024366.txt"));
        QVERIFY(w.logNoteLabel->isHidden());

        QVERIFY(QDir(folder).mkdir("GPS2025001.txt"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GPS2025001.txt: Is a directory"));
        lw.Second(Utc(2025, 1, 1, 0, 0, 0));
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,ERROR,GPS2025001.txt: Is a directory"));
        QCOMPARE(w.logNoteLabel->toolTip(), "GPS log not written: GPS2025001.txt (Is a directory)");
        QVERIFY(QDir(folder).rmdir("GPS2025001.txt"));
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Log file " + folder + "/GPS2025001.txt: writing again."));
        lw.Second(Utc(2025, 1, 1, 0, 0, 1));
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,OK,GPS2025001.txt"));
        QVERIFY(w.logNoteLabel->isHidden());
        // A new day's file that is no longer wanted (the receiver's day went back) is no
        // failure any more: the old day's file is written all along.
        QVERIFY(QDir(folder).mkdir("GPS2025002.txt"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GPS2025002.txt: Is a directory"));
        lw.Second(Utc(2025, 1, 2, 0, 0, 0));
        QVERIFY(!w.logNoteLabel->isHidden());
        lw.Second(Utc(2025, 1, 1, 23, 59, 59));
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,OK,GPS2025001.txt"));
        QVERIFY(w.logNoteLabel->isHidden());
        w.CloseGpsLog(true);
        const auto lines = [&](const char* name) {
            QFile file(folder + '/' + name);
            return file.open(QIODevice::ReadOnly) ? DataLines(file.readAll()).size() : -1;
        };
        QCOMPARE(lines("GPS2024366.txt"), 2);  // the record of 23:59:58 is lost
        QCOMPARE(lines("GPS2025001.txt"), 3);
    }

    // A write cut short when the file may grow no more: the system's reason said once
    // and given by STATUS, nothing of the record left; the return and the gap said once.
    void writeFailureAndReturn()
    {
        LogWindow lw(Keys());
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenGpsLog());
        lw.Second(Utc(2024, 12, 31, 12, 0, 0));
        const QString path = lw.dir.filePath("GPS2024366.txt");
        rlimit old = {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        rlimit cut = old;
        cut.rlim_cur = QFileInfo(path).size() + 20;  // the date and time of one record
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QTest::ignoreMessage(QtWarningMsg, qPrintable("WARNING: Log file " + path + ": File too large"));
        QVERIFY(setrlimit(RLIMIT_FSIZE, &cut) == 0);
        lw.Second(Utc(2024, 12, 31, 12, 0, 1));
        const QString said = w.statusBar()->currentMessage();
        w.statusBar()->clearMessage();
        lw.Second(Utc(2024, 12, 31, 12, 0, 2));
        const QByteArray status = Status(w, "GPSLOG");
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(said, "Log file " + path + ": File too large");
        QVERIFY(!w.statusBar()->currentMessage().contains("File too large"));
        QCOMPARE(status, RemoteLine::Sentence("GPSLOG,ERROR,GPS2024366.txt: File too large"));

        // A RAW log marks the gap with a comment line, as it marks its header.
        const QByteArray gap = "\n; 2 records not written from 31-Dec-2024 12:00:01 UTC to 31-Dec-2024 12:00:02 UTC: "
                               "File too large\n2024-12-31,12:00:03,";
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Log file " + path + ": writing again."));
        lw.Second(Utc(2024, 12, 31, 12, 0, 3));
        QCOMPARE(w.statusBar()->currentMessage(), "Log file " + path + ": writing again.");
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,OK,GPS2024366.txt"));
        w.CloseGpsLog(true);
        const QList<QByteArray> lines = DataLines(lw.Read("GPS2024366.txt"));
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith("2024-12-31,12:00:03,") && lines[1].size() == lines[0].size());
        QVERIFY(lw.Read("GPS2024366.txt").count(gap) == 1);
    }

    // A GPS log that writes once an hour: the second's check makes its removed folder
    // again though nothing is written. A folder removed before closing is not made
    // again for the trailer alone.
    void removedFolderWhileNothingIsWritten()
    {
        LogWindow lw({{"LogFiles/GPSLogType", 0}, {"LogFiles/GPSLogEvery", 11}, {"LogFiles/GPSLogPrefix", "GPS"}});
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenGpsLog() && QDir(lw.dir.path()).removeRecursively());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GPS2024366.txt: made again after it vanished"));
        lw.Second(Utc(2024, 12, 31, 12, 0, 1));
        QVERIFY(!w.bLogThisSecond);
        QCOMPARE(lw.Files(), QStringList{"GPS2024366.txt"});
        QVERIFY(QDir(lw.dir.path()).removeRecursively());
        w.CloseGpsLog(true);
        QVERIFY(!QFileInfo::exists(lw.dir.path()));
    }

    // What may stand at a log's path instead of its file: a symbolic link (to another
    // file, or to the open file moved elsewhere), a FIFO nobody reads, a device, a
    // socket. Legend, kind, the reason said.
    void onlyARegularFileAtALogsPathIsWritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        const QString link = "a symbolic link stands at its path";
        const QString other = "not a regular file";
        QTest::newRow("a symbolic link to another file") << "link" << link;
        QTest::newRow("a symbolic link to the open file's new place") << "link to the file" << link;
        QTest::newRow("a FIFO nobody reads") << "fifo" << other;
        QTest::newRow("a character device") << "device" << other;
        QTest::newRow("a socket") << "socket" << other;
    }

    // It stands first at the paths of open logs, then at the next day's: each second
    // returns at once, nothing reaches what stands there, STATUS and the note (and the
    // debug log, in its words) say so while it stands, and once it is gone the file is
    // written again with one line for the records lost; a new day's records stay in the
    // old day's file meanwhile.
    void onlyARegularFileAtALogsPathIsWritten()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QHash<QString, QVariant> keys = Keys();
        keys.insert("LogFiles/GPSLogType", 3);  // NMEA: a text log with comment lines
        LogWindow lw(keys);
        UsePorts();
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenGpsLog() && w.OpenTicLogs());
        w.ticTimeTagFormat = 3;
        lw.Second(Utc(2024, 12, 31, 23, 59, 50));
        QTemporaryDir other;
        const QString target = other.filePath("target");
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("kept\n") == 5);
        kept.close();
        const auto block = [&](const QString& name) {
            const QString path = lw.dir.filePath(name);
            const QByteArray at = QFile::encodeName(path);
            if (kind == "link")
                return QFile::link(target, path);
            if (kind == "link to the file")
                return QFile::link(QFileInfo::exists(other.filePath(name)) ? other.filePath(name) : target, path);
            if (kind == "fifo")
                return ::mkfifo(at.constData(), 0666) == 0;
            if (kind == "device")
                return ::mknod(at.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;  // the null device's numbers
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            if (size_t(at.size()) >= sizeof(address.sun_path))
                return false;
            std::memcpy(address.sun_path, at.constData(), size_t(at.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const bool bBound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
            if (fd >= 0)
                ::close(fd);
            return bBound;
        };
        const auto timed = [&](const std::function<void()>& step) {
            QElapsedTimer timer;
            timer.start();
            step();
            return timer.elapsed();
        };

        const QStringList names{"GPS2024366.txt", "TIC2024366T1.csv"};
        QHash<QString, QByteArray> moved;
        for (const QString& name : names) {
            QVERIFY(QFile::rename(lw.dir.filePath(name), other.filePath(name)));
            QFile movedFile(other.filePath(name));
            QVERIFY(movedFile.open(QIODevice::ReadOnly));
            moved.insert(name, movedFile.readAll());
            if (!block(name) && kind == "device" && errno == EPERM)
                QSKIP("making a device needs root");
            QVERIFY2(QFileInfo(lw.dir.filePath(name)).isSymLink() || QFileInfo::exists(lw.dir.filePath(name)), qPrintable(name));
        }
        for (const QString& name : names)
            QTest::ignoreMessage(QtWarningMsg, qPrintable("WARNING: Log file " + lw.dir.filePath(name) + ": " + reason));
        const QString note = "GPS log not written: GPS2024366.txt (" + reason + "); TIC log not written: TIC2024366T1.csv (" +
                             reason + ")";
        QTest::ignoreMessage(QtWarningMsg, qPrintable(note));
        QVERIFY(timed([&] {
                    lw.Second(Utc(2024, 12, 31, 23, 59, 51));
                    w.OnNewTicText("1 0.000025");
                    lw.Second(Utc(2024, 12, 31, 23, 59, 52));
                }) < 3000);
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,ERROR,GPS2024366.txt: " + reason.toLatin1()));
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,ERROR,TIC2024366T1.csv: " + reason.toLatin1()));
        QVERIFY2(w.logNoteLabel->toolTip().startsWith("GPS log not written: GPS2024366.txt (" + reason + "); "
                                                      "TIC log not written: TIC2024366T1.csv (" + reason.left(12)),
                 qPrintable(w.logNoteLabel->toolTip()));
        QCOMPARE(w.logNoteLabel->toolTip(), note);
        for (const QString& name : names)
            QVERIFY(QFile::remove(lw.dir.filePath(name)));
        lw.Second(Utc(2024, 12, 31, 23, 59, 53));
        w.OnNewTicText("1 0.000026");
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,OK,TIC2024366C.csv"));

        // The next day's files of the GPS log and of port 3.
        QVERIFY(block("GPS2025001.txt") && block("TIC2025001T3.csv"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GPS2025001.txt: " + reason));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("TIC2025001T3.csv: " + reason));
        QVERIFY(timed([&] {
                    lw.Second(Utc(2025, 1, 1, 0, 0, 0));
                    w.OnNewTicText("3 0.000030");
                }) < 3000);
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,ERROR,GPS2025001.txt: " + reason.toLatin1()));
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,ERROR,TIC2025001T3.csv: " + reason.toLatin1()));
        QCOMPARE(w.logNoteLabel->toolTip(), "GPS log not written: GPS2025001.txt (" + reason +
                                                "); TIC log not written: TIC2025001T3.csv (" + reason + ")");
        QVERIFY(QFile::remove(lw.dir.filePath("GPS2025001.txt")) && QFile::remove(lw.dir.filePath("TIC2025001T3.csv")));
        lw.Second(Utc(2025, 1, 1, 0, 0, 1));
        w.OnNewTicText("3 0.000031");
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,OK,GPS2025001.txt"));
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,OK,TIC2025001C.csv"));
        QVERIFY(w.logNoteLabel->isHidden());
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);

        QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "kept\n");
        for (const QString& name : names) {
            QFile file(other.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == moved.value(name));
        }
        const QByteArray gps = lw.Read("GPS2024366.txt");
        QVERIFY2(gps.contains(";\n; 2 records not written from 31-Dec-2024 23:59:51 UTC to 31-Dec-2024 23:59:52 UTC: " +
                              reason.toUtf8() + "\n$GPGGA,235953.00,") && DataLines(gps).size() == 2 &&
                     gps.count("records not written") == 1,
                 gps.constData());
        QVERIFY(lw.Read("TIC2024366T1.csv").endsWith(";\n; 1 records not written from 31-Dec-2024 23:59:51 UTC to "
                                                     "31-Dec-2024 23:59:51 UTC: " + reason.toUtf8() + "\n"
                                                     "1,,26.000000,26.000000\n; Closed TIC Data Logs 01-Jan-2025 00:00:00 UTC\n; \n"));
        QCOMPARE(DataLines(lw.Read("TIC2024366T3.csv")), QList<QByteArray>{"3,,30.000000,30.000000"});
        QCOMPARE(DataLines(lw.Read("TIC2025001T3.csv")), QList<QByteArray>{"3,,31.000000,31.000000"});
        QVERIFY(DataLines(lw.Read("GPS2025001.txt")).value(0).startsWith("$GPGGA,000001.00,"));
        // A new day's records kept in the old day's file were never lost.
        QVERIFY(!lw.Read("TIC2024366T3.csv").contains("records not written"));
    }

    // The log folder moved away and a file put in its place; then, between two seconds,
    // the file removed and the folder moved back: the files held are at their paths
    // again and are written again, after one line for the records lost.
    void folderMovedAwayAndBack()
    {
        QHash<QString, QVariant> keys = Keys();
        keys.insert("LogFiles/GPSLogType", 3);
        LogWindow lw(keys);
        UsePorts();
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenGpsLog() && w.OpenTicLogs());
        w.ticTimeTagFormat = 3;
        lw.Second(Utc(2024, 12, 31, 12, 0, 0));
        w.OnNewTicText("1 0.000025");
        const QString folder = lw.dir.path();
        QVERIFY(QFile::rename(folder, folder + ".away"));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QByteArray why = "vanished and cannot be made again: Not a directory";
        lw.Second(Utc(2024, 12, 31, 12, 0, 1));
        w.OnNewTicText("1 0.000026");
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,ERROR,GPS2024366.txt: " + why));
        QVERIFY(blocker.remove() && QFile::rename(folder + ".away", folder));
        lw.Second(Utc(2024, 12, 31, 12, 0, 2));
        w.OnNewTicText("1 0.000027");
        QCOMPARE(Status(w, "GPSLOG"), RemoteLine::Sentence("GPSLOG,OK,GPS2024366.txt"));
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,OK,TIC2024366C.csv"));
        QVERIFY(w.logNoteLabel->isHidden());
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);

        const QByteArray gap = "\n; 1 records not written from 31-Dec-2024 12:00:01 UTC to 31-Dec-2024 12:00:01 UTC: " + why;
        const QByteArray gps = lw.Read("GPS2024366.txt");
        QVERIFY2(gps.count("; Opened") == 1 && DataLines(gps).size() == 2 && gps.contains(gap + "\n$GPGGA,120002.00,"),
                 gps.constData());
        const QByteArray t1 = lw.Read("TIC2024366T1.csv");
        QVERIFY2(t1.contains(gap + "\n1,,27.000000,27.000000\n") &&
                     DataLines(t1) == QList<QByteArray>({"1,,25.000000,25.000000", "1,,27.000000,27.000000"}),
                 t1.constData());
    }

    // At midnight port 8's new time file cannot be had: that file keeps the old day's
    // lines and says so, tried again each second, while the rest of the set moves on.
    // Port 3, switched OFF meanwhile, gets its trailer and no new day's files.
    void onePortsNewDayFileFails()
    {
        LogWindow lw(Keys());
        UsePorts();
        LogWindow::Set("TicPortDialog/TIC8 Serial Port", "TCP/IP");
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenTicLogs() && QDir(lw.dir.path()).mkdir("TIC2025001T8.csv"));
        w.ticTimeTagFormat = 3;
        LogWindow::Set("TicPortDialog/TIC3 Serial Port", "OFF");  // its files close at midnight
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("TIC2025001T8.csv: Is a directory"));
        lw.Second(Utc(2025, 1, 1, 0, 0, 0));
        w.OnNewTicText("8 0.000025");
        w.OnNewTicText("1 0.000026");
        lw.Second(Utc(2025, 1, 1, 0, 0, 1));
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,ERROR,TIC2025001T8.csv: Is a directory"));
        QCOMPARE(w.logNoteLabel->toolTip(), "TIC log not written: TIC2025001T8.csv (Is a directory)");
        QVERIFY(QDir(lw.dir.path()).rmdir("TIC2025001T8.csv"));
        lw.Second(Utc(2025, 1, 1, 0, 0, 2));
        w.OnNewTicText("8 0.000027");
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,OK,TIC2025001C.csv"));
        QVERIFY(w.logNoteLabel->isHidden());
        w.CloseTicLogs(true);
        QCOMPARE(DataLines(lw.Read("TIC2024366T8.csv")), QList<QByteArray>{"8,,25.000000,25.000000"});
        QCOMPARE(DataLines(lw.Read("TIC2025001T8.csv")), QList<QByteArray>{"8,,27.000000,27.000000"});
        QCOMPARE(DataLines(lw.Read("TIC2025001T1.csv")), QList<QByteArray>{"1,,26.000000,26.000000"});
        QCOMPARE(DataLines(lw.Read("TIC2025001C.csv")).size(), 3);
        for (const char* name : {"TIC2024366T3.csv", "TIC2024366A3.csv"})
            QVERIFY2(lw.Read(name).endsWith(";\n; Closed TIC Data Logs 01-Jan-2025 00:00:00 UTC\n; \n"), name);
        QVERIFY(lw.Files().filter("2025001").filter("3.").isEmpty());
    }

    // Port 8's new day's file cannot be had at a one-second jump to the next day; then
    // the receiver's day goes back and holds: that day's failure is past, and neither
    // STATUS nor the note keeps it.
    void portsNewDayNoLongerWanted()
    {
        LogWindow lw(Keys());
        LogWindow::Set("TicPortDialog/TIC8 Serial Port", "TCP/IP");
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenTicLogs() && QDir(lw.dir.path()).mkdir("TIC2025001T8.csv"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("TIC2025001T8.csv: Is a directory"));
        lw.Second(Utc(2025, 1, 1, 0, 0, 0));
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,ERROR,TIC2025001T8.csv: Is a directory"));
        // The day before, named since a hold ago.
        const QDate back(2024, 12, 31);
        QCOMPARE(w.ticCombinedLog.ChooseDay(back, true, UtcDateTime::SteadyMSecs() - LogDayGuard::kHoldMs), QDate(2025, 1, 1));
        lw.Second(Utc(2024, 12, 31, 23, 59, 59));
        QCOMPARE(w.ticCombinedLog.Day(), back);
        QCOMPARE(Status(w, "TICLOG"), RemoteLine::Sentence("TICLOG,OK,TIC2024366C.csv"));
        QVERIFY(w.logNoteLabel->isHidden());
    }

    // One "$GPRMC" a year off among good ones opens no file and closes none: its record
    // stays in the day's file.
    void wrongYearSentenceAmongGoodOnes()
    {
        LogWindow lw(Keys());
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        MainWindow& w = *lw.w;
        QVERIFY(w.OpenGpsLog());
        int64_t steadyMs = 1'000'000;
        UtcDateTime::SetSteadyClock([&steadyMs] { return steadyMs; });
        for (int s = 0; s < 6; ++s) {
            steadyMs += 1000;
            std::fill(std::begin(w.bPpsAwaitingTime), std::end(w.bPpsAwaitingTime), false);
            const QByteArray date = s == 3 ? "311223" : "311224";
            QVERIFY(w.DecodeNmeaSentence(FrameBuilders::Nmea(
                "$GPRMC,12000" + QByteArray::number(s) + ",A,4807.038,N,01131.000,E,0.0,0.0," + date + ",,")));
        }
        w.CloseGpsLog(true);
        UtcDateTime::SetSteadyClock({});
        QCOMPARE(lw.Files(), QStringList{"GPS2024366.txt"});
        const QByteArray log = lw.Read("GPS2024366.txt");
        QVERIFY(log.count("; Horalux GPS Data Log") == 1 && log.count("; Closed") == 1);
        QCOMPARE(DataLines(log).size(), 6);
        // The second of the wrong year moves no stamp: it is logged as the second it names.
        QCOMPARE(RecordSeconds(log, LogFileNames::GpsLogRaw), QString("0 1 2 3 4 5"));
    }

    // A Generic NMEA receiver, a PVT log and a TIC set, 20 s from start: each second a
    // fix, the time sentence, then a reading of port 1 tagged with that second (the
    // first second's fix comes before any log step, and is logged all the same). One
    // second dated tomorrow among good ones moves no file; at midnight every file moves
    // once, each reading goes to the file of the day its tag names, and the log keeps its
    // descriptor. Each file: its name and the number of lines of the GPS log or port 1.
    void dayMovesOnlyWithATimeThatFollows_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<int>("tomorrowAt");  // the second dated tomorrow, or -1
        QTest::addColumn<int>("tagFormat");
        QTest::addColumn<QStringList>("files");
        const QStringList today{"GPS2024366.csv:20", "TIC2024366A1.csv", "TIC2024366C.csv", "TIC2024366T1.csv:20"};
        const QStringList midnight{"GPS2024366.csv:10", "GPS2025001.csv:10",  "TIC2024366A1.csv",
                                   "TIC2024366C.csv",   "TIC2024366T1.csv:10", "TIC2025001A1.csv",
                                   "TIC2025001C.csv",   "TIC2025001T1.csv:10"};
        QTest::newRow("one second of tomorrow") << Utc(2024, 12, 31, 12, 0, 0) << 5 << 1 << today;
        QTest::newRow("midnight, MJD tags") << Utc(2024, 12, 31, 23, 59, 50) << -1 << 1 << midnight;
        QTest::newRow("midnight, days since 1900") << Utc(2024, 12, 31, 23, 59, 50) << -1 << 2 << midnight;
    }
    void dayMovesOnlyWithATimeThatFollows()
    {
        QFETCH(QDateTime, start);
        QFETCH(int, tomorrowAt);
        QFETCH(int, tagFormat);
        QFETCH(QStringList, files);
        QHash<QString, QVariant> keys = Keys(tagFormat);
        keys["LogFiles/GPSLogType"] = 2;
        LogWindow lw(keys);
        LogWindow::Set("TicPortDialog/TIC1 Serial Port", "/dev/counter1");
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        MainWindow& w = *lw.w;
        int64_t steadyMs = 0;
        w.receiverTimeCheck.clockMs = [&steadyMs] { return steadyMs; };
        PcTime::SetFixedUtc(start);
        QVERIFY(w.OpenGpsLog() && w.OpenTicLogs());
        const int gpsFd = w.gpsLogFile.handle();
        const int ticFd = w.ticTimeLogs[0].handle();
        for (int s = 0; s < 20; ++s, steadyMs += 1000) {
            const QDateTime t = start.addSecs(s);
            PcTime::SetFixedUtc(t);
            const QByteArray time = t.toString("HHmmss").toLatin1() + ".00,";
            const QByteArray date = (s == tomorrowAt ? t.addDays(1) : t).toString("ddMMyy").toLatin1();
            w.DecodeNmeaSentence(FrameBuilders::Nmea("$GPGGA," + time + "4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
            w.DecodeNmeaSentence(FrameBuilders::Nmea("$GPRMC," + time + "A,4807.038,N,01131.000,E,0.0,0.0," + date + ",,"));
            w.OnNewTicText("1 0.000025");
        }
        QCOMPARE(w.gpsLogFile.handle(), gpsFd);
        QCOMPARE(w.ticTimeLogs[0].handle(), ticFd);
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);
        QStringList found;
        for (const QString& name : lw.Files()) {
            const QByteArray log = lw.Read(name);
            const bool bCounted = name.startsWith("GPS") || name.contains("T1");
            found << (bCounted ? name + ":" + QString::number(DataLines(log).size() - name.startsWith("GPS")) : name);
            QVERIFY2(log.count("; Opened") == 1 && log.count("; Closed") == 1, qPrintable(name + "\n" + log));
        }
        QCOMPARE(found, files);
    }

    // Files of day 0; each reading: the clock's day, the steady ms, the day chosen.
    void dayHeldBeforeItIsTaken_data()
    {
        QTest::addColumn<QList<int>>("readings");
        QTest::newRow("midnight at once") << QList<int>{1, 0, 1};
        QTest::newRow("one wrong year among good") << QList<int>{0, 0, 0, -366, 1000, 0, 0, 2000, 0, -366, 3000, 0};
        QTest::newRow("held 10 s") << QList<int>{-366, 0, 0, -366, 9999, 0, -366, 10000, -366};
        QTest::newRow("a good day restarts the hold")
            << QList<int>{-366, 0, 0, 0, 5000, 0, -366, 6000, 0, -366, 15999, 0, -366, 16000, -366};
        QTest::newRow("another wrong day restarts it") << QList<int>{7, 0, 0, 8, 9000, 0, 8, 18999, 0, 8, 19000, 8};
    }
    void dayHeldBeforeItIsTaken()
    {
        QFETCH(QList<int>, readings);
        const QDate base(2024, 12, 31);
        LogDayGuard guard;
        QDate files = base;
        for (qsizetype i = 0; i + 2 < readings.size(); i += 3) {
            files = guard.Choose(files, base.addDays(readings[i]), readings[i + 1]);
            QCOMPARE(base.daysTo(files), readings[i + 2]);
        }
    }

    // A receiver silent for 2.5 s on a PC whose clock is days off: no file of the PC's
    // day; the PC's next day, an ordinary midnight, rolls the files.
    void silenceKeepsTheDay()
    {
        LogWindow lw(Keys());
        UsePorts();
        MainWindow& w = *lw.w;
        lw.Second(Utc(2024, 12, 31, 23, 59, 0));
        QVERIFY(w.OpenGpsLog() && w.OpenTicLogs());
        w.receiverTime.setAtSteadyMs -= 2500;
        PcTime::SetFixedUtc(Utc(2025, 3, 9, 10, 0, 0));
        w.LogStatusRecord();
        w.OnNewTicText("1 0.000025");
        QCOMPARE(lw.Files().filter("2025").size(), 0);
        PcTime::SetFixedUtc(Utc(2025, 1, 1, 0, 0, 5));
        w.LogStatusRecord();
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);
        QCOMPARE(lw.Files().filter("2025"), QStringList({"GPS2025001.txt", "TIC2025001A1.csv", "TIC2025001A3.csv",
                                                          "TIC2025001C.csv", "TIC2025001T1.csv", "TIC2025001T3.csv"}));
        QCOMPARE(DataLines(lw.Read("TIC2024366T1.csv")).size(), 1);
    }

    // No receiver time for over 2 s (a silent receiver, the port OFF): headers and TIC
    // time tags go by the PC's UTC; a fresh receiver time is used as before.
    void staleReceiverTimeGivesWayToThePc()
    {
        LogWindow lw(Keys(1));  // MJD tags
        UsePorts();
        MainWindow& w = *lw.w;
        w.receiverTime.SetDateTime(Utc(2024, 12, 31, 18, 0, 0));
        w.displayTime = w.receiverTime;
        w.receiverTime.setAtSteadyMs -= 1500;
        QVERIFY(w.ReceiverTimeFresh());
        w.receiverTime.setAtSteadyMs -= 1000;
        QVERIFY(!w.ReceiverTimeFresh());
        PcTime::SetFixedUtc(Utc(2024, 12, 31, 6, 0, 0));
        QVERIFY(w.OpenGpsLog() && w.OpenTicLogs());
        w.OnNewTicText("1 0.000025");
        PcTime::SetFixedUtc(Utc(2024, 12, 31, 6, 0, 36));
        w.OnNewTicText("1 0.000026");
        w.receiverTime.SetDateTime(Utc(2024, 12, 31, 18, 0, 0));
        w.OnNewTicText("1 0.000027");
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);
        QVERIFY(lw.Read("GPS2024366.txt").contains("\n; Opened 31-Dec-2024 06:00:00 UTC\n"));
        const QByteArray t1 = lw.Read("TIC2024366T1.csv");
        QVERIFY(t1.contains("\n; Opened 31-Dec-2024 06:00:00 UTC\n"));
        QCOMPARE(DataLines(t1), QList<QByteArray>({"1,60675.25000,25.000000,25.000000",
                                                  "1,60675.25042,26.000000,26.000000",
                                                  "1,60675.75000,27.000000,27.000000"}));
    }
};

HORALUX_TEST(TestLogKeeping);
#include "tst_logkeeping.moc"
