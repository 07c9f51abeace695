// Keys reach the store's file within a second of being set, whatever sets them, in one
// write for what is set together, and survive a kill; the store is read, and kept,
// where /proc cannot reach a file in memory.

#include "../tools/allwindows.h"
#include "dialogscript.h"
#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "settingsformat.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/stat.h>

// The files synced to the disk, by path (tst_storedvalues.cpp).
extern QStringList synced;

namespace {

using Way = std::function<void(MainWindow&)>;

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file at path, told apart from one renamed over it.
QString Stamp(const QString& path)
{
    struct stat info = {};
    if (stat(QFile::encodeName(path), &info) != 0)
        return QString();
    return QStringLiteral("%1 %2.%3").arg(info.st_ino).arg(info.st_mtim.tv_sec).arg(info.st_mtim.tv_nsec);
}

// The reference location the remote link sets, as the store holds its latitude.
const QByteArray kRefLoc = "$VUDUZ,REFLOC,48 20.5N,13 7.5E,541";
QByteArray RefLocLine()
{
    return "RefLocation\\Latitude=" + QString::asprintf("%018.16f", 48.0 + 20.5 / 60.0).toLatin1();
}

// "@@Sc" naming the constellations of mask.
QByteArray ConstellationMessage(unsigned mask)
{
    QByteArray msg(GpsSerialPortThread::MotorolaMessageLength("@@Sc") - 3, '\0');
    msg.replace(0, 4, "@@Sc");
    msg[4] = char(mask);
    return msg;
}

// A window whose start-up save is done.
std::unique_ptr<MainWindow> StartedWindow()
{
    auto window = std::make_unique<MainWindow>();
    TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); });
    return window;
}

}  // namespace

class TestSettingsWrites : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    // However a key is set, the file holds it within a second, written once.
    void keyReachesTheFile_data()
    {
        QTest::addColumn<Way>("way");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("dialog OK") << Way([](MainWindow& w) {
            DialogScript::Player script({DialogScript::Type("IDC_TELNET_PORT", "4001"), DialogScript::Click("OK")});
            w.telnetLink->exec();
        }) << QByteArray("TelnetServerPort=4001");
        // The OK is written when the dialog closes, not left to the watch for keys set
        // elsewhere.
        QTest::newRow("dialog OK, the watch stopped") << Way([](MainWindow& w) {
            w.settingsWatchTimer.stop();
            DialogScript::Player script({DialogScript::Type("IDC_TELNET_PORT", "4002"), DialogScript::Click("OK")});
            w.telnetLink->exec();
        }) << QByteArray("TelnetServerPort=4002");
        QTest::newRow("menu choice") << Way([](MainWindow& w) { w.ui->actionGMST->trigger(); })
                                     << QByteArray("ClockDisplay=3");
        QTest::newRow("satellite sort") << Way([](MainWindow& w) { w.satSortButtons[1]->click(); })
                                        << QByteArray("Satellite%20Sort%20Mode=1");
        QTest::newRow("remote REFLOC") << Way([](MainWindow& w) { w.AnswerRemoteCommand(kRefLoc); }) << RefLocLine();
        QTest::newRow("receiver search") << Way([](MainWindow& w) { w.gpsPortDialog->SetMode(GpsPortModeUbloxUbx); })
                                         << QByteArray("GPS%20Serial%20Port%20Mode=u-blox UBX");
        QTest::newRow("receiver set-up") << Way([](MainWindow& w) { w.gpsRxDialog->SetGpsMode(1); })
                                         << QByteArray("Gps%20Mode=1");
        QTest::newRow("decoder") << Way([](MainWindow& w) { w.DecodeMotorolaBinary(ConstellationMessage(0x04)); })
                                 << QByteArray("Sat%20Galileo=true");
        // The line a run before left goes.
        QTest::newRow("named location removed") << Way([](MainWindow& w) {
            w.referenceLocationDialog->findChild<QComboBox*>("IDC_REFDLG_NAME")->setEditText("Home");
            w.referenceLocationDialog->findChild<QPushButton*>("IDC_REFDLG_REMOVE_NAME")->click();
        }) << QByteArray("-Home=1 2 3 4");
    }

    void keyReachesTheFile()
    {
        QFETCH(Way, way);
        QFETCH(QByteArray, line);
        const bool bGone = line.startsWith('-');
        if (bGone)
            line.remove(0, 1);
        const QString file = QSettings().fileName();
        QSettings().setValue("RefLocationDB/Home", "1 2 3 4");
        // A system-wide key is read, never written into the user's store.
        const QString system = QSettings(QSettings::SystemScope, "KVX Systems", "Horalux").fileName();
        QVERIFY(QDir().mkpath(QFileInfo(system).path()));
        {
            QFile wide(system);
            QVERIFY(wide.open(QIODevice::WriteOnly) && wide.write("[System]\nonly=1\n") > 0);
        }
        const auto removeSystem = qScopeGuard([&] { QFile::remove(system); });
        auto window = StartedWindow();
        QVERIFY(!Bytes(file).isEmpty() && Bytes(file).contains(line) == bGone);
        QString last = Stamp(file);
        int writes = 0;
        way(*window);
        TestSupport::WaitFor([&] {
            const QString now = Stamp(file);
            writes += now != last;
            last = now;
            return false;
        }, 1000);
        QVERIFY2(Bytes(file).contains(line) != bGone, Bytes(file).constData());
        QCOMPARE(writes, 1);
        QVERIFY(QSettings().contains("System/only") && !Bytes(file).contains("[System]"));
        QVERIFY(window->settingsNoteLabel->isHidden());
    }

    // The program killed a second after keys were set: the next start has them.
    void killedProgramKeepsItsKeys()
    {
        if (qEnvironmentVariableIsSet("HORALUX_KILLED_CHILD")) {
            const QString store = QSettings().fileName();
            auto window = StartedWindow();
            window->AnswerRemoteCommand(kRefLoc);
            window->ui->actionGMST->trigger();
            std::printf("\nstore %s\n", qPrintable(store));
            std::fflush(stdout);
            QTest::qWait(60000);
            return;
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HORALUX_TEST_CLASS", "TestSettingsWrites");
        env.insert("HORALUX_KILLED_CHILD", "1");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"killedProgramKeepsItsKeys"});
        QByteArray out;
        QVERIFY(TestSupport::WaitFor([&] { return (out += child.readAllStandardOutput()).contains("\nstore "); }, 20000));
        QVERIFY(TestSupport::WaitFor([&] { return (out += child.readAllStandardOutput()).indexOf('\n', out.indexOf("\nstore ") + 1) > 0; }));
        const qsizetype from = out.indexOf("\nstore ") + 7;
        const QString store = QString::fromLocal8Bit(out.mid(from, out.indexOf('\n', from) - from));
        const auto cleanUp = qScopeGuard([&] { QDir(QFileInfo(QFileInfo(store).path()).path()).removeRecursively(); });
        QTest::qWait(1000);
        QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QSettings read(store, QSettings::IniFormat);
        QCOMPARE(read.value("MainWindow/ClockDisplay").toInt(), 3);
        QCOMPARE(read.value("GpsNavDialog/RefLocation/Latitude").toByteArray(), RefLocLine().mid(RefLocLine().indexOf('=') + 1));
    }

    // Where /proc cannot reach the file in memory, the store is read from a copy beside
    // it, as QSettings's reader reads it, and written; one that cannot be read is said,
    // the program runs on defaults, and the file is kept as it is.
    void readWithoutProc_data()
    {
        QTest::addColumn<QByteArray>("text");  // empty: keys of several kinds, as QSettings writes them
        QTest::newRow("readable") << QByteArray();
        QTest::newRow("not in the settings form") << QByteArray("[MainWindow]\nClockDisplay=3\n\n[Unended\n");
    }

    void readWithoutProc()
    {
        QFETCH(QByteArray, text);
        const bool bReadable = text.isEmpty();
        const QString file = QSettings().fileName();
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QByteArray allBytes;
        for (int b = 0; b < 256; ++b)
            allBytes += char(b);
        if (bReadable) {
            const QTemporaryDir dir;
            {
                QSettings own(dir.filePath("own.ini"), QSettings::IniFormat);
                own.setValue("MainWindow/ClockDisplay", 3);
                own.setValue("Kinds/text", QString::fromUtf8(" @a, b; c=\"d\" 51\u00b0\t\U0001F600 "));
                own.setValue("Kinds/bytes", allBytes);
                own.setValue("Kinds/list", QStringList{"a", "b,c", " d "});
                own.setValue("Kinds/rect", QRect(-1, 2, 3, 4));
                own.setValue("Kinds/time", QDateTime(QDate(2026, 12, 8), QTime(1, 2, 3), Qt::UTC));
            }
            text = Bytes(dir.filePath("own.ini"));
            QVERIFY(!text.isEmpty());
        }
        QString why;
        const auto inMemory = SettingsFormat::ReadText(text, file, &why);
        QCOMPARE(inMemory.has_value(), bReadable);
        const auto reach = SettingsFormat::InMemoryPath;
        SettingsFormat::InMemoryPath = [](int fd) { return QStringLiteral("/no proc/self/fd/%1").arg(fd); };
        const auto restore = qScopeGuard([&] { SettingsFormat::InMemoryPath = reach; });
        QVERIFY(SettingsFormat::ReadText(text, file, &why) == inMemory);
        {
            QFile store(file);
            QVERIFY(store.open(QIODevice::WriteOnly) && store.write(text) == text.size());
        }
        const QString note = QStringLiteral("Settings not read: %1 (its text is not in the settings form), running on defaults").arg(file);
        if (!bReadable)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(note));
        auto window = StartedWindow();
        // Gone, the store is written again as the window goes, for the next rows.
        const auto remove = qScopeGuard([&] { QFile::remove(file); });
        QCOMPARE(window->clockDisplayMode, bReadable ? 3 : 0);
        QCOMPARE(window->settingsNoteLabel->isHidden(), bReadable);
        if (!bReadable)
            QCOMPARE(window->settingsNoteLabel->toolTip(), note);
        synced.clear();
        window->AnswerRemoteCommand(kRefLoc);
        QTest::qWait(1000);
        QCOMPARE(Bytes(file).contains(RefLocLine()), bReadable);
        QCOMPARE(synced.isEmpty(), !bReadable);  // not even a lock for a store never written
        if (bReadable)
            QCOMPARE(QSettings(file, QSettings::IniFormat).value("Kinds/bytes").toByteArray(), allBytes);
        else
            QCOMPARE(Bytes(file), text);
        // The copy read is gone.
        QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});
    }
};

HORALUX_TEST(TestSettingsWrites);
#include "tst_settingswrites.moc"
