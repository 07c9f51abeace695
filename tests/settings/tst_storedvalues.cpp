// Stored numbers that are no finite number, or no int, stored switches that are no switch,
// and stored port names that can name no device, read through the program's own loaders:
// each comes back as its key's default or repair value, written back where the loader
// repairs the store.

#include "../tools/allwindows.h"
#include "dialogscript.h"
#include "fakesystemclock.h"
#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "remoteline.h"
#include "settingsformat.h"
#include "settingsstore.h"
#include "storedvalues.h"
#include "testsupport.h"
#include "ticserialportthread.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QTcpServer>
#include <QProcess>
#include <QMenu>
#include <QPushButton>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

// The files synced to the disk, by path: every sync of this program, Qt's included, comes
// through here.
QStringList synced;

namespace {

double Reference(int i) { double v[4]; GpsNavDialog().GetRefLocation(&v[0], &v[1], &v[2], &v[3]); return v[i]; }

// The timing dialog's value after it was opened and closed once.
template <class Member>
double Timing(Member member) { TimingDialog d; QTimer::singleShot(0, &d, &QDialog::reject); d.exec(); return d.*member; }

// repaired: the text written back, null where the store keeps it; bWhole: an int, bad beyond its range;
// name: the loader of a port name, which reads as repaired (read and expected unused).
struct Case { const char* key; double (*read)(); double expected; const char* repaired; bool bWhole;
              QString (*name)() = nullptr; };

const Case kCases[] = {
    {"GpsNavDialog/RefLocation/Latitude", [] { return Reference(0); }, 0.0, "0.0000000000000000", false},
    {"GpsNavDialog/RefLocation/MSL Altitude", [] { return Reference(3); }, 0.0, "0.0000000000000000", false},
    {"GpsNavDialog/Averaging Data/HDOP Weight", [] { return GpsNavDialog().hdopWeight; }, 1.5, "01.5", false},
    {"TimingDialog/Rx Delay", [] { return Timing(&TimingDialog::receiverDelayNs); }, 55.0, nullptr, false},
    {"TimingDialog/Sawtooth Auto Correct", [] { return Timing(&TimingDialog::sawtoothMode); }, 3.0, nullptr, true},
    {"SetPcClockDialog/Time Sync Mode", [] { return double(SetPcClockDialog().syncMode); }, 0.0, "0", true},
    {"MainWindow/ClockDisplay", [] { return double(MainWindow().clockDisplayMode); }, 0.0, "0", true},
    {"MainWindow/Satellite Sort Mode", [] { return double(MainWindow().satelliteSortMode); }, 4.0, "4", true},
    {"GpsPortDialog/GPS Serial Port DataRate", [] { return double(GpsPortDialog().GetDataRate()); }, 9600.0, "9600", true},
    {"GpsRxDialog/Satellite Enable Mask", [] { return double(GpsRxDialog().satelliteEnableMask); }, 4294967295.0, nullptr, true},
    {"TicPortDialog/TIC1 Serial Port DataRate", [] { return double(TicPortSettings::Load(1).dataRate); }, 9600.0, nullptr, true},
    {"LogFiles/TicAveragingPeriod", [] { return double(TicFileDialog().ticAveragingPeriod); }, 300.0, nullptr, true},
    {"LogFiles/GPSLogEvery", [] { return double(GpsLogTypeDialog().gpsLogEveryIndex); }, 0.0, "0", true},
    {"GpsPortDialog/GPS Serial Port", nullptr, 0.0, "OFF", false, [] { return GpsPortDialog().GetPortName(); }},
    {"TicPortDialog/TIC1 Serial Port", nullptr, 0.0, "OFF", false, [] { return TicPortSettings::Load(1).portName; }},
    {"TicPortDialog/TIC8 Serial Port", nullptr, 0.0, "OFF", false, [] { return TicPortSettings::Load(8).portName; }},
};

// Names that reach no device: empty, a NUL (cuts the path short), C0 and C1 controls.
const QString kBadNames[] = {QString(), QStringLiteral("ttyX") + QChar(0) + 'y',
                             QStringLiteral("\x1b[2J/dev/ttyS0"), QStringLiteral("ttyUSB") + QChar(0x85)};

// A switch as its loader reads it; the main window's rows read what the switch sets going:
// the remote link's server, and the clock rule that asks for the right to set the clock.
struct Switch { const char* key; bool (*read)(); bool bDefault; };

const Switch kSwitches[] = {
    {"TelnetDialog/TelnetActivate", [] { return MainWindow().telnetServer != nullptr; }, false},
    {"SetPcClockDialog/Time Sync Delta",
     [] { return MainWindow().bPcSyncOnDelta || FakeSystemClock::Get().privilegeRequests > 0; }, false},
    {"SetPcClockDialog/Time Sync Delta", [] { return SetPcClockDialog().bSyncOnDelta; }, false},
    {"MainWindow/Sound", [] { return MainWindow().bTickSound; }, true},
    {"TimingDialog/TIC Auto Correct", [] { TimingDialog d; return d.bTicAutoCorrect; }, true},
};

// Counts the debug log's lines that start with prefix, while it lives.
struct LogCount
{
    static inline QString prefix;
    static inline int lines = 0;
    static inline QtMessageHandler previous = nullptr;
    explicit LogCount(const QString& start)
    {
        prefix = start;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            lines += text.startsWith(prefix);
            previous(type, context, text);
        });
    }
    ~LogCount() { qInstallMessageHandler(previous); }
};

// A limit on the size of every file the process writes, as a service manager may set
// it; lifted when it goes.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes) : oldSignal(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limited = {bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
    }
    rlimit old = {};
    void (*oldSignal)(int);
};

QString FdPath(int fd)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd));
}

// Runs one row of this test again as the user nobody, from a copy of this program that
// nobody may run: the superuser writes what is read-only. Its output is shown.
bool RunAsNobody()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("tst");
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy)
        || !QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                  | QFile::ReadOther | QFile::ExeOther))
        return false;
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HORALUX_TEST_CLASS", "TestStoredValues");
    env.remove("TMPDIR");
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--", copy,
                          QStringLiteral("%1:%2").arg(QTest::currentTestFunction(), QTest::currentDataTag())});
    return run.waitForFinished(60000) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}

// A limit on open files that leaves the process one descriptor more; lifted when it goes.
struct OpenFileLimit
{
    OpenFileLimit()
    {
        int free = 0;
        while (fcntl(free, F_GETFD) != -1)
            ++free;
        getrlimit(RLIMIT_NOFILE, &old);
        const rlimit limited = {rlim_t(free + 1), old.rlim_max};
        setrlimit(RLIMIT_NOFILE, &limited);
    }
    ~OpenFileLimit() { setrlimit(RLIMIT_NOFILE, &old); }
    rlimit old = {};
};

enum Block { kFolder, kSizeLimit, kReadOnly, kReadOnlyFolder, kOpenFiles };

// Every key of the store at path as QSettings's own reader reads it, through a copy:
// QSettings keeps what it read of a path and would answer from that.
std::optional<SettingsStore::Keys> ReadBack(const QString& path)
{
    QFile file(path);
    QTemporaryFile copy;
    if (!file.open(QIODevice::ReadOnly) || !copy.open() || copy.write(file.readAll()) != file.size() || !copy.flush())
        return std::nullopt;
    const QSettings read(copy.fileName(), QSettings::IniFormat);
    SettingsStore::Keys keys;
    for (const QString& key : read.allKeys())
        keys.insert(key, read.value(key));
    return keys;
}

// The file at path, told apart from one renamed over it (which may get a freed inode
// number back); empty when there is none.
QString Stamp(const QString& path)
{
    struct stat info = {};
    if (stat(QFile::encodeName(path), &info) != 0)
        return QString();
    return QStringLiteral("%1 %2.%3").arg(info.st_ino).arg(info.st_mtim.tv_sec).arg(info.st_mtim.tv_nsec);
}

// The operator opens a menu and leaves it.
void CloseMenu(QMenu* menu)
{
    menu->popup(QPoint(0, 0));
    menu->hide();
}

}  // namespace

class TestStoredValues : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void badStoredNumberReadsAsDefault_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("stored");
        // 4294967298 is 2 once wrapped into an int: in range for most of these keys.
        for (int k = 0; k < int(std::size(kCases)); ++k) {
            for (int n = 0; kCases[k].name && n < int(std::size(kBadNames)); ++n)
                QTest::addRow("%s bad name %d", kCases[k].key, n) << k << kBadNames[n];
            for (const char* text : {"nan", "inf", "-inf", "1e999", "abc", "4294967298"})
                if (!kCases[k].name && (kCases[k].bWhole || QByteArray(text) != "4294967298"))
                    QTest::addRow("%s %s", kCases[k].key, text) << k << QString::fromLatin1(text);
        }
    }

    void badStoredNumberReadsAsDefault()
    {
        QFETCH(int, index);
        QFETCH(QString, stored);
        const Case& c = kCases[index];
        QSettings().setValue(c.key, stored);
        if (c.name)
            QCOMPARE(c.name(), QString::fromLatin1(c.repaired));
        else
            QCOMPARE(c.read(), c.expected);
        QCOMPARE(QSettings().value(c.key).toString(), c.repaired ? QString::fromLatin1(c.repaired) : stored);
    }

    // Only "true", "false", "1" and "0" are switches; anything else once read as on.
    // stored: the text under the key; on: what the loader reads, -1 for the key's default,
    // which is then written back.
    void storedSwitchIsStrict_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("on");
        for (int k = 0; k < int(std::size(kSwitches)); ++k)
            for (const char* text : {"nan", "x", "True", ""})
                QTest::addRow("%s %d \"%s\"", kSwitches[k].key, k, text) << k << QString::fromLatin1(text) << -1;
        QTest::newRow("1") << 2 << "1" << 1;
        QTest::newRow("true") << 2 << "true" << 1;
        QTest::newRow("0") << 3 << "0" << 0;
        QTest::newRow("false") << 3 << "false" << 0;
    }

    void storedSwitchIsStrict()
    {
        QFETCH(int, index);
        QFETCH(QString, stored);
        QFETCH(int, on);
        const Switch& s = kSwitches[index];
        FakeSystemClock::Reset();
        QSettings().setValue(s.key, stored);
        QCOMPARE(s.read(), on < 0 ? s.bDefault : on == 1);
        QCOMPARE(QSettings().value(s.key).toString(), on < 0 ? QVariant(s.bDefault).toString() : stored);
    }

    // A refused value is said once, with its key and the text stored, however often
    // its key is read; a control character is shown, not sent to the log.
    void refusedValueSaidOnce_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("said");
        QTest::addColumn<std::function<void()>>("read");
        QTest::newRow("port written back") << "TelnetDialog/TelnetServerPort" << "1.0e0"
                                           << "TelnetDialog/TelnetServerPort=1.0e0 (32325 used instead)"
                                           << std::function<void()>([] { TelnetLink().LoadSettings(); });
        QTest::newRow("format of no use") << "MainWindow/Navigation Data Format" << "3"
                                          << "MainWindow/Navigation Data Format=3 (0 used instead)"
                                          << std::function<void()>([] { MainWindow(); });
        QTest::newRow("number kept in the store")
            << "TicPortDialog/TIC1 Serial Port DataRate" << "1.0e4"
            << "TicPortDialog/TIC1 Serial Port DataRate=1.0e4 (9600 used instead)"
            << std::function<void()>([] { TicPortSettings::Load(1); });
        QTest::newRow("name with a control character")
            << "TicPortDialog/TIC2 Serial Port" << QStringLiteral("tty\x1b[2J")
            << "TicPortDialog/TIC2 Serial Port=tty\\x1b[2J (OFF used instead)"
            << std::function<void()>([] { TicPortSettings::Load(2); });
    }

    void refusedValueSaidOnce()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, said);
        QFETCH(std::function<void()>, read);
        StoredValues::ForgetRefusals();
        LogCount log(QStringLiteral("Stored setting refused: ") + said);
        LogCount::lines = 0;
        QSettings().setValue(key, stored);
        for (int n = 0; n < 3; ++n)
            read();
        QCOMPARE(LogCount::lines, 1);
    }

    // A store that cannot be written is said in the main window's status bar from the
    // start, and tried again: the note ends with the first save that succeeds.
    void unsavedSettingsSaid()
    {
        const QString file = QSettings().fileName();
        QSettings().sync();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings not saved"));
        auto window = std::make_unique<MainWindow>();
        QLabel* label = window->settingsNoteLabel;
        QVERIFY(TestSupport::WaitFor([&] { return !label->isHidden(); }));
        QCOMPARE(label->toolTip(), QString("Settings not saved: %1 (a folder stands at its path)").arg(file));
        QVERIFY(window->settingsWriteTimer.isActive());
        // Keys that cannot be kept get no OK from the remote link.
        QCOMPARE(window->AnswerRemoteCommand("$VUDUZ,GPSLOG,CONFIG,1,60,Station_1"),
                 RemoteLine::Sentence("GPSLOG,ERROR,settings not saved"));

        // A dialog's OK is a save, and is checked.
        QVERIFY(QDir().rmdir(file));
        QTimer::singleShot(0, window->telnetLink, [&] { window->telnetLink->findChild<QPushButton*>("OK")->click(); });
        window->telnetLink->exec();
        QVERIFY(TestSupport::WaitFor([&] { return label->isHidden(); }));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("TelnetServerPort=32325"));

        // A full store is found out at the next change: the write is read back.
        {
            FileSizeLimit full(1);
            QSettings().setValue("TelnetDialog/TelnetServerPort", "32326");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings not saved: .*File too large"));
            window->WriteSettingsStore();
        }
        QVERIFY(!label->isHidden());
        window->WriteSettingsStore();
        QVERIFY(label->isHidden());

        // So is the window's close: a store that went bad since is said in the log.
        QSettings().sync();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings not saved: .*a folder stands at its path"));
        window->close();
        QVERIFY(QDir().rmdir(file));
    }

    // The store is written whole or not at all: while it cannot be written, a change is
    // refused over the remote link and the note stays; once it can, every key comes back,
    // those of no change since included.
    void storeKeptWhole_data()
    {
        // What stands in the way, and the reason said for it.
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("bRemote");  // changed by remote CONFIG, else by a View choice and its menu
        QTest::newRow("folder, remote changes") << int(kFolder) << "a folder stands at its path" << true;
        QTest::newRow("file-size limit, remote changes") << int(kSizeLimit) << "File too large" << true;
        QTest::newRow("folder, View choices") << int(kFolder) << "a folder stands at its path" << false;
        QTest::newRow("read-only file, remote changes") << int(kReadOnly) << "not writable" << true;
        // QSettings says only that it failed: the note names the limit.
        QTest::newRow("open-file limit, remote changes") << int(kOpenFiles) << "Too many open files" << true;
        // QSaveFile writes in place only when asked to: the store is kept, and why is said.
        QTest::newRow("read-only folder, remote changes") << int(kReadOnlyFolder) << "Permission denied" << true;
    }

    void storeKeptWhole()
    {
        QFETCH(int, block);
        QFETCH(QString, reason);
        QFETCH(bool, bRemote);
        const QString file = QSettings().fileName();
        {
            // Keys of every kind a store holds, each read back as written.
            QSettings settings;
            for (int n = 0; n < 6; ++n) {
                const QString key = QStringLiteral("Seeded/%1 ") + QString::number(n);
                settings.setValue(key.arg("Text"), QString::fromUtf8("@a, b; c=\"d\" 51\u00b0 ") + QString::number(n));
                settings.setValue(key.arg("Number"), n * 0.1);
                settings.setValue(key.arg("Switch"), n % 2 == 0);
                settings.setValue(key.arg("Bytes"), QByteArray("\x00\xff\x80,=", 5).repeated(n));
                settings.setValue(key.arg("List"), QStringList(n, "x"));
            }
        }
        auto window = std::make_unique<MainWindow>();
        QLabel* label = window->settingsNoteLabel;
        QVERIFY(TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); }));
        QVERIFY(label->isHidden());
        const std::optional<SettingsStore::Keys> before = ReadBack(file);
        QVERIFY(before && before->size() > 30);
        // Menus that change nothing write nothing: the file is the same one.
        const QString written = Stamp(file);
        for (int n = 0; n < 3; ++n)
            CloseMenu(window->ui->menuView);
        QTest::qWait(20);
        QCOMPARE(Stamp(file), written);

        const auto bytes = [&] { QFile f(file); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); };
        const QByteArray whole = bytes();
        if ((block == kReadOnly || block == kReadOnlyFolder) && geteuid() == 0) {
            QVERIFY(RunAsNobody());
            return;
        }
        const QString note = QStringLiteral("Settings not saved: %1 (%2)").arg(file, reason);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(note));
        std::optional<FileSizeLimit> limit;
        std::optional<OpenFileLimit> fileLimit;
        if (block == kOpenFiles) {
            // Each port thread makes its event loop's wake-up pipe as it starts; on a
            // loaded machine that may come after the window is built, and at the limit
            // it aborts the process.
            const auto ready = [](const QThread& thread) {
                return !thread.isRunning() || thread.eventDispatcher() != nullptr;
            };
            QVERIFY(TestSupport::WaitFor([&] {
                return ready(window->gpsPortThread) &&
                       std::all_of(std::begin(window->ticPortThreads), std::end(window->ticPortThreads), ready);
            }, 10000));
            fileLimit.emplace();
        }
        else if (block == kFolder)
            QVERIFY(QFile::remove(file) && QDir().mkpath(file));
        else if (block == kSizeLimit)
            limit.emplace(300);
        else if (block == kReadOnly)
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        else
            QVERIFY(QFile::setPermissions(QFileInfo(file).path(), QFile::ReadOwner | QFile::ExeOwner));
        for (int n = 1; n <= 3; ++n) {
            if (bRemote) {
                QCOMPARE(window->AnswerRemoteCommand("$VUDUZ,GPSLOG,CONFIG,,,Station_" + QByteArray::number(n)),
                         RemoteLine::Sentence("GPSLOG,ERROR,settings not saved"));
            } else {
                window->ui->actionToolbar->trigger();
                CloseMenu(window->ui->menuView);
                QVERIFY(TestSupport::WaitFor([&] { return !label->isHidden(); }));
            }
        }
        QCOMPARE(label->toolTip(), note);
        QVERIFY(!label->isHidden());
        if (block != kFolder)  // not cut short, nor emptied
            QCOMPARE(bytes(), whole);

        if (block == kFolder)
            QVERIFY(QDir().rmdir(file));
        else if (block == kReadOnly)
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        else if (block == kReadOnlyFolder)
            QVERIFY(QFile::setPermissions(QFileInfo(file).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        limit.reset();
        fileLimit.reset();
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Settings saved again"));
        CloseMenu(window->ui->menuView);
        QVERIFY(TestSupport::WaitFor([&] { return label->isHidden(); }));
        const std::optional<SettingsStore::Keys> after = ReadBack(file);
        QVERIFY(after);
        for (auto it = before->cbegin(); it != before->cend(); ++it)
            QVERIFY2(after->contains(it.key()), qPrintable(it.key()));
        QCOMPARE(after->value(bRemote ? "LogFiles/GPSLogPrefix" : "MainWindow/Toolbar Visible").toString(),
                 bRemote ? "Station_3" : "false");
    }

    // OK in a dialog that changed nothing writes nothing: the store stays the same file.
    void unchangedOkWritesNothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("GPS receiver interface") << "actionSet_GPS_Receiver_Interface";
        QTest::newRow("TIC interface") << "actionSet_TIC_Interface";
    }

    void unchangedOkWritesNothing()
    {
        QFETCH(QString, action);
        const QString file = QSettings().fileName();
        // A mode that asks the receiver nothing at OK: no wait for an answer.
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", "Generic NMEA");
        auto window = std::make_unique<MainWindow>();
        const auto ok = [&] {
            DialogScript::Player script({DialogScript::Click("OK")});
            window->findChild<QAction*>(action)->trigger();
            QVERIFY(TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); }));
        };
        QVERIFY(TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); }));
        // The dialog's keys, and its place once it came back where it was put.
        ok();
        ok();
        {
            // As at the next start: every value read back as text.
            QFile store(file);
            QVERIFY(store.open(QIODevice::ReadWrite));
            const QByteArray bytes = store.readAll();
            QTest::qWait(5);
            QVERIFY(store.seek(0) && store.write(bytes) == bytes.size());
        }
        const QString written = Stamp(file);
        QVERIFY(!written.isEmpty());
        ok();
        ok();
        QCOMPARE(Stamp(file), written);
    }

    // A store that cannot be read is never written over: the keys held are then not all
    // it has, even once it can be read. Once it has gone, the keys held are written.
    void unreadableStoreKept_data()
    {
        QTest::addColumn<QByteArray>("unreadable");
        QTest::addColumn<bool>("bNoPermission");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused by the reader") << QByteArray("[Seeded]\nkept=1\n\n[Unended\nkey=2\n") << false
                                               << "its text is not in the settings form";
        // QSettings never hands a file it cannot open to the reader.
        QTest::newRow("no permission to read") << QByteArray("[Seeded]\nkept=1\n") << true << "Permission denied";
        // Nor one it cannot even look at: it takes that for none.
        QTest::newRow("no permission to its folder") << QByteArray("[Seeded]\nkept=1\n") << true << "Permission denied";
    }

    void unreadableStoreKept()
    {
        QFETCH(QByteArray, unreadable);
        QFETCH(bool, bNoPermission);
        QFETCH(QString, reason);
        if (bNoPermission && geteuid() == 0) {
            QVERIFY(RunAsNobody());
            return;
        }
        const QString file = QSettings().fileName();
        {
            QFile store(file);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QVERIFY(store.open(QIODevice::WriteOnly) && store.write(unreadable) == unreadable.size());
        }
        const QString folder = QFileInfo(file).path();
        const bool bFolder = QByteArray(QTest::currentDataTag()).contains("folder");
        if (bNoPermission)
            QVERIFY(QFile::setPermissions(bFolder ? folder : file, QFileDevice::Permissions()));
        const QString note = QStringLiteral("Settings not read: %1 (%2), running on defaults").arg(file, reason);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(note));
        auto window = std::make_unique<MainWindow>();
        QVERIFY(TestSupport::WaitFor([&] { return !window->settingsNoteLabel->isHidden(); }));
        QCOMPARE(window->settingsNoteLabel->toolTip(), note);
        if (bFolder)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        else if (bNoPermission)
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(window->AnswerRemoteCommand("$VUDUZ,GPSLOG,CONFIG,,,Station"),
                 RemoteLine::Sentence("GPSLOG,ERROR,settings not saved"));
        window->WriteSettingsStore();
        QCOMPARE(window->settingsNoteLabel->toolTip(), note);
        QFile store(file);
        QVERIFY(store.open(QIODevice::ReadOnly));
        QCOMPARE(store.readAll(), unreadable);
        QVERIFY(QFile::remove(file));
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Settings saved again"));
        window->WriteSettingsStore();
        QVERIFY(window->settingsNoteLabel->isHidden());
    }

    // A store removed while the program runs comes back whole at the next change, though
    // no write failed: QSettings would write only the keys set since.
    void storeRemovedComesBackWhole()
    {
        const QString file = QSettings().fileName();
        for (int n = 0; n < 5; ++n)
            QSettings().setValue(QStringLiteral("Seeded/%1").arg(n), n);
        auto window = std::make_unique<MainWindow>();
        QVERIFY(TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); }));
        const std::optional<SettingsStore::Keys> before = ReadBack(file);
        QVERIFY(before && before->contains("Seeded/4") && QFile::remove(file));
        QCOMPARE(window->AnswerRemoteCommand("$VUDUZ,GPSLOG,CONFIG,,,Station"), RemoteLine::Sentence("GPSLOG,CONFIG,OK"));
        const std::optional<SettingsStore::Keys> after = ReadBack(file);
        QVERIFY(after);
        for (auto it = before->cbegin(); it != before->cend(); ++it)
            QVERIFY2(after->contains(it.key()), qPrintable(it.key()));
    }

    // The store's text, made in memory, is QSettings's own to the byte for keys of every
    // kind, reads back through QSettings's reader as the values written, and read back
    // they make the same text: else each start would write.
    void writtenTextReadsBack()
    {
        QByteArray allBytes;
        for (int b = 0; b < 256; ++b)
            allBytes += char(b);
        const QString texts[] = {"", " lead", "trail ", "a,b", "x;y", "k=v", "@at", "@@", "\"q\"", "back\\slash",
                                 QString("tab\tnl\n") + QChar(0) + "1f\x7f\x1b" + QChar(0x85), QString::fromUtf8("51\u00b0 \u20ac \U0001F600"),
                                 QString(QChar(0xD83D)) + "a" + QChar(0xDE00) + "\n" + QChar(0xD83D) + QChar(0xD83D) + QChar(0xDE00) + QChar(0xD83D)};
        QSettings::SettingsMap keys;
        for (int n = 0; n < int(std::size(texts)); ++n)
            keys.insert(QString("Texts/%1").arg(n), texts[n]);
        keys.insert("Bytes/all", allBytes);
        keys.insert("Bytes/@Variant(", QByteArray("@Variant(\x01)"));
        keys.insert("Numbers/int", -5);
        keys.insert("Numbers/double", 0.1);
        keys.insert("Numbers/large", 1e300);
        keys.insert("Numbers/switch", true);
        keys.insert("Lists/none", QStringList());
        keys.insert("Lists/one", QStringList{"a, b"});
        keys.insert("Lists/three", QStringList{"a", "b,c", " d "});
        keys.insert("Lists/variants", QVariantList{1, "x"});
        keys.insert("Lists/one variant", QVariantList{5});
        keys.insert("Other/rect", QRect(-1, 2, 3, 4));
        keys.insert("Other/date", QDate(2026, 12, 7));
        keys.insert("top", "in General");
        keys.insert("General/x", "a section named General");
        keys.insert(QString::fromUtf8("Sp ace/K%y/sub \u00fc"), "keys escaped");
        keys.insert("Dot.ted/a.b", "kept as they are");
        keys.insert("Other/time", QDateTime(QDate(2026, 12, 7), QTime(1, 2, 3), Qt::UTC));
        keys.insert("Other/size", QSize(5, -6));
        // QSettings's own writer, beside the text made in memory.
        const QTemporaryDir dir;
        {
            QSettings ini(dir.filePath("own.ini"), QSettings::IniFormat);
            for (auto it = keys.cbegin(); it != keys.cend(); ++it)
                ini.setValue(it.key(), it.value());
        }
        QFile own(dir.filePath("own.ini"));
        QVERIFY(own.open(QIODevice::ReadOnly));
        const QByteArray text = SettingsFormat::IniText(keys);
        QCOMPARE(text, own.readAll());
        QFile file(dir.filePath("made.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        const QSettings read(file.fileName(), QSettings::IniFormat);
        QCOMPARE(read.status(), QSettings::NoError);
        SettingsStore::Keys back;
        for (const QString& key : read.allKeys())
            back.insert(key, read.value(key));
        QCOMPARE(back.keys(), keys.keys());
        for (int n = 0; n < int(std::size(texts)) - 1; ++n)  // the last's lone halves read back as U+FFFD
            QCOMPARE(back.value(QString("Texts/%1").arg(n)).toString(), texts[n]);
        QCOMPARE(back.value("Bytes/all").toByteArray(), allBytes);
        QCOMPARE(back.value("Lists/three").toStringList(), keys.value("Lists/three").toStringList());
        QCOMPARE(back.value("Other/date").toDate(), QDate(2026, 12, 7));
        QCOMPARE(back.value("Other/rect").toRect(), QRect(-1, 2, 3, 4));
        QCOMPARE(back.value("Lists/one variant").toList(), QVariantList{5});
        QCOMPARE(SettingsFormat::IniText(back), text);
    }

    // The store is read and saved with no folder but its own: the temporary folder may be
    // full, read-only or, here, no folder at all. A save syncs the store's copy and its
    // lock only: once for a change, a dialog's first OK included, and never for no change.
    void savesTouchOnlyTheStore_data()
    {
        // 0 a menu left, 1 a remote change, 2 the TIC dialog's OK, 3 its OK again, 4 a start again
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("copies");  // the store's copies synced
        QTest::newRow("nothing changed") << 0 << 0;
        QTest::newRow("remote change") << 1 << 1;
        QTest::newRow("first OK of the TIC dialog") << 2 << 1;
        QTest::newRow("second OK of the TIC dialog") << 3 << 0;
        QTest::newRow("start with the store a run left") << 4 << 0;
    }

    void savesTouchOnlyTheStore()
    {
        QFETCH(int, change);
        QFETCH(int, copies);
        const QString file = QSettings().fileName();
        const quint16 port = TestSupport::FreePort();
        QTemporaryFile notAFolder;
        QVERIFY(notAFolder.open());
        const QByteArray tmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(notAFolder.fileName()));
        const auto restore = qScopeGuard([&] { tmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmp); });
        {
            // The store a run before left: read at the start, as the file is new to QSettings.
            QFile store(file);
            const QByteArray text = "[TelnetDialog]\nTelnetActivate=true\nTelnetServerPort=" + QByteArray::number(port) + '\n';
            QVERIFY(store.open(QIODevice::WriteOnly) && store.write(text) == text.size());
        }
        auto window = std::make_unique<MainWindow>();
        QVERIFY(TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); }));
        QVERIFY(window->settingsNoteLabel->isHidden());
        QTcpServer taken;  // the remote link is up on its stored port
        QVERIFY(window->telnetServer && !taken.listen(QHostAddress::Any, port));

        const auto ok = [&] {
            DialogScript::Player script({DialogScript::Click("OK")});
            window->findChild<QAction*>("actionSet_TIC_Interface")->trigger();
        };
        if (change == 3)
            ok();
        QVERIFY(TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); }));
        if (change == 4)
            window.reset();
        synced.clear();
        if (change == 0)
            CloseMenu(window->ui->menuView);
        else if (change == 1)
            QCOMPARE(window->AnswerRemoteCommand("$VUDUZ,GPSLOG,CONFIG,,,Station_9"),
                     RemoteLine::Sentence("GPSLOG,CONFIG,OK"));
        else if (change == 4)
            window = std::make_unique<MainWindow>();
        else
            ok();
        QTest::qWait(10);
        QVERIFY(TestSupport::WaitFor([&] { return !window->settingsWriteTimer.isActive(); }));
        QVERIFY(window->settingsNoteLabel->isHidden());
        const QString folder = QFileInfo(file).path() + QLatin1Char('/');
        int copiesSynced = 0;
        for (const QString& path : synced) {
            QVERIFY2(path.startsWith(folder), qPrintable(path));
            copiesSynced += !path.endsWith(QLatin1String(".lock"));
        }
        QCOMPARE(copiesSynced, copies);
        QVERIFY(copies > 0 || synced.isEmpty());  // not even the lock
        QFile store(file);
        QVERIFY(store.open(QIODevice::ReadOnly));
        QCOMPARE(store.readAll().contains("Station_9"), change == 1);
    }

    // Stores read and written side by side, each after its own text: two of the same size
    // and time read one after the other; one that cannot be read beside one still written;
    // and one mended by hand, read again and then written.
    void storesKeptApart()
    {
        const QTemporaryDir dir;
        const QSettings::Format format = SettingsFormat::Register();
        const auto store = [&](const QByteArray& name, const QByteArray& text) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
            const timeval times[2] = {{1700000000, 0}, {1700000000, 0}};
            f.close();
            QVERIFY(utimes(QFile::encodeName(f.fileName()), times) == 0);
        };
        // Each at a path of its own: QSettings answers a path it read from what it kept.
        for (int n = 0; n < 40; ++n) {
            const QByteArray name = QByteArray::number(n) + ".conf";
            store(name, n % 2 ? "[S]\nk=b\n" : "[S]\nk=a\n");
            QCOMPARE(QSettings(dir.filePath(name), format).value("S/k").toString(), n % 2 ? "b" : "a");
        }
        store("a.conf", "[S]\nk=a\n");
        store("b.conf", "[S]\nk=b\n");

        store("a.conf", "[S]\nk=a\n\n[Unended\n");
        {
            QSettings unreadable(dir.filePath("a.conf"), format);
            QCOMPARE(unreadable.status(), QSettings::FormatError);
            unreadable.setValue("S/new", 1);
        }
        {
            QSettings other(dir.filePath("b.conf"), format);
            other.setValue("S/new", 2);
            other.sync();
            QCOMPARE(other.status(), QSettings::NoError);
        }
        QCOMPARE(QSettings(dir.filePath("b.conf"), QSettings::IniFormat).value("S/new").toInt(), 2);
        QFile a(dir.filePath("a.conf"));
        QVERIFY(a.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), "[S]\nk=a\n\n[Unended\n");
        a.close();

        store("a.conf", "[S]\nk=mended\n");
        QSettings mended(dir.filePath("a.conf"), format);
        QCOMPARE(mended.value("S/k").toString(), "mended");
        mended.setValue("S/new", 3);
        mended.sync();
        QCOMPARE(mended.status(), QSettings::NoError);
        QVERIFY(a.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), "[S]\nk=mended\nnew=3\n");
    }

    // A value set again in another type is a change by its text alone: 5 over "5" is
    // none, and the store is not written, whether the window saves it or QSettings does;
    // true over 1, which QVariant takes for equal, is one.
    void otherTypeChangesByItsText_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("set");
        QTest::addColumn<bool>("bWindow");
        QTest::addColumn<bool>("bWritten");
        for (const bool bWindow : {true, false}) {
            const char* by = bWindow ? "window" : "QSettings";
            QTest::addRow("number over text, %s", by) << QVariant("5") << QVariant(5) << bWindow << false;
            QTest::addRow("text over number, %s", by) << QVariant(5) << QVariant("5") << bWindow << false;
            QTest::addRow("switch over text, %s", by) << QVariant("true") << QVariant(true) << bWindow << false;
            QTest::addRow("switch over number, %s", by) << QVariant(1) << QVariant(true) << bWindow << true;
            QTest::addRow("number over switch, %s", by) << QVariant(true) << QVariant(1) << bWindow << true;
        }
    }

    void otherTypeChangesByItsText()
    {
        QFETCH(QVariant, stored);
        QFETCH(QVariant, set);
        QFETCH(bool, bWindow);
        QFETCH(bool, bWritten);
        const QString file = QSettings().fileName();
        QSettings().setValue("Seeded/n", stored);
        std::unique_ptr<MainWindow> window(bWindow ? new MainWindow : nullptr);
        QVERIFY(TestSupport::WaitFor([&] { return !window || !window->settingsWriteTimer.isActive(); }));
        const QString written = Stamp(file);
        QVERIFY(!written.isEmpty());
        QTest::qWait(5);
        QSettings().setValue("Seeded/n", set);
        if (window)
            window->WriteSettingsStore();
        QSettings().sync();
        QCOMPARE(Stamp(file) != written, bWritten);
        QVERIFY(!window || window->settingsNoteLabel->isHidden());
        QCOMPARE(ReadBack(file).value_or(SettingsStore::Keys()).value("Seeded/n").toString(), set.toString());
    }

    // A NUL in a stored port name once left a lock file that no later start could remove,
    // and the next start recursed in the lock until its stack ran out.
    void nulPortNameStartedTwice()
    {
        const char* const keys[] = {"GpsPortDialog/GPS Serial Port", "TicPortDialog/TIC1 Serial Port"};
        for (const char* key : keys)
            QSettings().setValue(key, QStringLiteral("ttyHoraluxNul") + QChar(0) + 'y');
        for (int start = 1; start <= 2; ++start) {
            GpsSerialPortThread().startGpsSerialPort(false);
            TicSerialPortThread().startTicSerialPort(1);
            for (const char* key : keys)
                QCOMPARE(QSettings().value(key).toString(), "OFF");
        }
    }
};

extern "C" int fdatasync(int fd)
{
    synced << FdPath(fd);
    return int(syscall(SYS_fdatasync, fd));
}

extern "C" int fsync(int fd)
{
    synced << FdPath(fd);
    return int(syscall(SYS_fsync, fd));
}

HORALUX_TEST(TestStoredValues);
#include "tst_storedvalues.moc"
