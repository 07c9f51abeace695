// One log file without a window: a record the file system refuses half of, a file left
// inside a line, and the day during a silence.

#include "logfile.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

LogFile::Header Header(const QByteArray& text)
{
    return [text] { return text; };
}

// A log file whose next takings-over of a new descriptor are refused, as when the
// process has no descriptor left.
class TakeOverRefused : public LogFile
{
public:
    int refusals = 0;

protected:
    bool TakeOver(int fd) override
    {
        if (refusals == 0)
            return LogFile::TakeOver(fd);
        --refusals;
        setErrorString(QStringLiteral("Too many open files"));
        return false;
    }
};

}  // namespace

class TestLogFile : public QObject
{
    Q_OBJECT

private slots:
    // A file that ends inside a line when it is opened: the header starts a line of its
    // own; one that ends with a whole line gets no blank line before it.
    void headerOnALineOfItsOwn_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("inside a line") << QByteArray("1,2024366.45,0.25") << QByteArray("1,2024366.45,0.25\n");
        QTest::newRow("after a line end") << QByteArray("abc\n") << QByteArray("abc\n");
    }
    void headerOnALineOfItsOwn()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("TIC2024366C.csv");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(before) == before.size());
        old.close();
        LogFile file;
        QVERIFY(file.Open(path, QDate(2024, 12, 31), Header("; head\n")));
        QVERIFY(file.Write("1,2024366.46,0.26\n"));
        QCOMPARE(Read(path), after + "; head\n1,2024366.46,0.26\n");
    }

    // A write refused part way ("File too large" under a file size limit, as with a full
    // disk): nothing of the record stays, and the next one is whole.
    void recordCutShortLeavesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("TIC2024366T1.csv");
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            QString said;
            LogFile file;
            file.SetSay([&](const QString& text, bool) { said = text; });
            file.SetClock([] { return QDateTime(QDate(2024, 12, 31), QTime(10, 51, 39), Qt::UTC); });
            if (!file.Open(path, QDate(2024, 12, 31), Header("; head\n")))
                _exit(10);
            rlimit limit = {};
            getrlimit(RLIMIT_FSIZE, &limit);
            const rlim_t old = limit.rlim_cur;
            limit.rlim_cur = 7 + 12;  // the header and 12 bytes of the record
            setrlimit(RLIMIT_FSIZE, &limit);
            const bool bWritten = file.Write("1,2024366.452535,0.259000\n");
            const bool bSaid = said == "Log file " + path + ": File too large" &&
                               file.FailedName() == "TIC2024366T1.csv" && file.Failure() == "File too large";
            limit.rlim_cur = old;
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(bWritten ? 11 : !bSaid ? 12 : !file.Write("1,2024366.452546,0.260000\n") ? 13 : 0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        // Nothing of the cut record is left, and the gap it leaves is told before the next.
        QCOMPARE(Read(path), "; head\n; 1 records not written from 31-Dec-2024 10:51:39 UTC to 31-Dec-2024 10:51:39 UTC: "
                             "File too large\n1,2024366.452546,0.260000\n");
    }

    // A good file, then an Open of what cannot be a log: it returns at once with the
    // reason, and the closed file names neither path.
    void openRefusedAfterAGoodOne_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a FIFO nobody reads") << "fifo" << "not a regular file";
        QTest::newRow("a folder") << "folder" << "Is a directory";
        QTest::newRow("a symbolic link") << "link" << "a symbolic link stands at its path";
    }
    void openRefusedAfterAGoodOne()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString good = dir.filePath("GPS2024366.txt");
        const QString bad = dir.filePath("GPS2025001.txt");
        QVERIFY(kind == "fifo"     ? ::mkfifo(QFile::encodeName(bad).constData(), 0666) == 0
                : kind == "folder" ? QDir(dir.path()).mkdir("GPS2025001.txt")
                                   : QFile::link(good, bad));
        LogFile file;
        QVERIFY(file.Open(good, QDate(2024, 12, 31), Header("; head\n")));
        QString error;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!file.Open(bad, QDate(2025, 1, 1), Header("; head\n"), &error));
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(error, "Cannot open the log file " + bad + ": " + reason);
        QVERIFY(!file.isOpen() && !file.Write("lost\n"));
        QCOMPARE(file.fileName(), QString());
        QCOMPARE(Read(good), "; head\n");
    }

    // The new file opened but not taken over, at a new day or when the vanished file is
    // made again: the file held so far goes on (the old day's keeps the records, a
    // vanished one's are counted as lost), the failure is said, and the next try
    // succeeds.
    void takeOverRefused_data()
    {
        QTest::addColumn<bool>("bNewDay");
        QTest::addColumn<QByteArray>("first");  // what the first day's file holds
        QTest::addColumn<QString>("reason");
        QTest::newRow("a new day") << true << QByteArray("; head\n1\n2\n; closed 31-Dec-2024 23:59:59\n")
                                   << "Too many open files";
        QTest::newRow("made again") << false
                                    << QByteArray("; head\n; 1 records not written from 31-Dec-2024 23:59:59 UTC to "
                                                  "31-Dec-2024 23:59:59 UTC: vanished and cannot be made again: Too "
                                                  "many open files\n3\n; closed 31-Dec-2024 23:59:59\n")
                                    << "vanished and cannot be made again: Too many open files";
    }
    void takeOverRefused()
    {
        QFETCH(bool, bNewDay);
        QFETCH(QByteArray, first);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("logs/TIC2024366T1.csv");
        const QString next = dir.filePath("logs/TIC2025001T1.csv");
        TakeOverRefused file;
        QStringList said;
        file.SetSay([&](const QString& text, bool) { said << text; });
        QDateTime now(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC);
        file.SetClock([&now] { return now; });
        QVERIFY(file.Open(path, QDate(2024, 12, 31), Header("; head\n")));
        QVERIFY(file.Write("1\n"));
        file.refusals = 1;
        const LogFile::Trailer trailer = [](const QDateTime& utc) {
            return "; closed " + utc.toString("dd-MMM-yyyy HH:mm:ss").toLatin1() + '\n';
        };
        if (bNewDay) {
            QVERIFY(!file.MoveToDay(next, "TIC2025001T1", QDate(2025, 1, 1), trailer));
            QCOMPARE(file.FailedName() + ": " + file.Failure(), "TIC2025001T1.csv: " + reason);
            QVERIFY(file.isOpen() && file.Day() == QDate(2024, 12, 31) && file.Write("2\n"));
            QVERIFY(file.MoveToDay(next, "TIC2025001T1", QDate(2025, 1, 1), trailer));
            QVERIFY(file.Write("3\n"));
        } else {
            QVERIFY(QDir(dir.filePath("logs")).removeRecursively());
            QVERIFY(!file.Write("2\n"));
            QCOMPARE(file.FailedName() + ": " + file.Failure(), "TIC2024366T1.csv: " + reason);
            QVERIFY(file.Write("3\n"));
        }
        QCOMPARE(said.value(0), "Log file " + (bNewDay ? next : path) + ": " + reason);
        QVERIFY(file.Failure().isEmpty());
        // The PC clock a day behind at closing: the trailer reads no earlier than the header.
        now = now.addDays(-1);
        file.Close(trailer);
        QCOMPARE(Read(path), first);
        if (bNewDay)
            QCOMPARE(Read(next), "; head\n3\n; closed 31-Dec-2024 23:59:59\n");
    }

    // A new day under an open-file limit: no descriptor left for the new file, one for
    // it but none for the old file's trailer, or both but the log's own descriptor above
    // the limit (lowered while it was open). The failure names the limit, and the old
    // day's file, under its own descriptor, keeps the records.
    void newDayUnderAnOpenFileLimit_data()
    {
        QTest::addColumn<int>("spare");  // descriptors left under the limit
        QTest::newRow("none for the new file") << 0;
        QTest::newRow("none for the trailer") << 1;
        QTest::newRow("the log's descriptor above the limit") << 2;
    }
    void newDayUnderAnOpenFileLimit()
    {
        QFETCH(int, spare);
        QTemporaryDir dir;
        const QString path = dir.filePath("TIC2024366T1.csv");
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            int held[16];
            for (int& fd : held)
                fd = spare == 2 ? ::dup(0) : -1;
            LogFile file;
            if (!file.Open(path, QDate(2024, 12, 31), Header("; head\n")))
                _exit(10);
            for (int fd : held)
                ::close(fd);
            const int fd = file.handle();
            // The limit lets exactly the spare lowest free descriptors be had.
            int free[3] = {::dup(0), ::dup(0), ::dup(0)};
            for (int k : free)
                ::close(k);
            rlimit limit = {};
            getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = rlim_t(free[spare]);
            setrlimit(RLIMIT_NOFILE, &limit);
            const LogFile::NameOfDay pathOf = [&](const QDate& day) { return dir.filePath(day.toString("yyyyMMdd")); };
            file.FollowDay(QDate(2025, 1, 1), pathOf, pathOf, [](const QDateTime&) { return QByteArray("; end\n"); });
            const bool bKept = file.Write("1\n") && file.handle() == fd && file.Day() == QDate(2024, 12, 31);
            _exit(!bKept ? 11 : file.Failure() != "Too many open files" ? 12 : 0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(Read(path), "; head\n1\n");
    }

    // A file opened by hand, without a day, takes the first it is given, and moves on
    // from it to the next.
    void fileOpenedByHandTakesTheFirstDay()
    {
        QTemporaryDir dir;
        LogFile file;
        file.setFileName(dir.filePath("by hand.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const LogFile::NameOfDay pathOf = [&](const QDate& day) { return dir.filePath(day.toString("yyyyMMdd")); };
        QCOMPARE(file.FollowClock(QDate(2024, 12, 31), true, 0, pathOf, pathOf, nullptr), QDate());
        QCOMPARE(file.Day(), QDate(2024, 12, 31));
        QCOMPARE(file.FollowClock(QDate(2025, 1, 1), false, 1000, pathOf, pathOf, nullptr), QDate(2025, 1, 1));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"20250101", "by hand.txt"}));
    }

    // Files of 31 December 2024. During a silence the day is the PC's: its next day is
    // taken at once, any other never, however long it lasts; the receiver's other day
    // is taken once it has held for 10 s.
    void dayDuringASilence()
    {
        QTemporaryDir dir;
        LogFile file;
        const QDate files(2024, 12, 31);
        QVERIFY(file.Open(dir.filePath("GPS2024366.txt"), files, Header("")));
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), false, 0), files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), false, 60000), files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), true, 100000), files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), true, 110000), QDate(2025, 3, 9));
        file.SetDay(files);
        QCOMPARE(file.ChooseDay(QDate(2025, 1, 1), false, 120000), QDate(2025, 1, 1));
        // The receiver's other day held for 8 s, a silence, and the day again: its hold
        // starts afresh.
        file.SetDay(files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), true, 200000), files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), true, 208000), files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), false, 209000), files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), true, 210000), files);
        QCOMPARE(file.ChooseDay(QDate(2025, 3, 9), true, 220000), QDate(2025, 3, 9));
    }
};

HORALUX_TEST(TestLogFile);
#include "tst_logfile.moc"
