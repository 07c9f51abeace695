// One log file without a window: a record the file system refuses half of, a file left
// inside a line, and the day during a silence.

#include "logfile.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
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

}  // namespace

class TestLogFile : public QObject
{
    Q_OBJECT

private slots:
    // A file that ends inside a line when it is opened: the header starts a line of its own.
    void headerOnALineOfItsOwn()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("TIC2024366C.csv");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("1,2024366.45,0.25") == 17);
        old.close();
        LogFile file;
        QVERIFY(file.Open(path, QDate(2024, 12, 31), Header("; head\n")));
        QVERIFY(file.Write("1,2024366.46,0.26\n"));
        QCOMPARE(Read(path), "1,2024366.45,0.25\n; head\n1,2024366.46,0.26\n");
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
        QCOMPARE(Read(path), "; head\n1,2024366.452546,0.260000\n");
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
