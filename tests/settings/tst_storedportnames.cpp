// A stored port name with a NUL byte used to reach the serial port, whose lock file was
// made under the cut name and could not be removed under the whole one; every later
// start-up then recursed in the lock until its stack ran out. The port objects' own
// loaders read such a name as "OFF" and repair the store.

#include "gpsserialportthread.h"
#include "testsupport.h"
#include "ticserialportthread.h"

#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

// The part of the damaged name before its NUL.
const QLatin1String kCutName("ttyHoraluxNul");

// The folders the serial port may keep its lock files in.
const char* const kLockFolders[] = {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                                    "/var/spool/uucp", "/tmp", "/var/tmp"};

QString LockFile(const char* folder) { return QStringLiteral("%1/LCK..%2").arg(QLatin1String(folder), kCutName); }

bool StaleLockLeft()
{
    bool left = false;
    for (const char* folder : kLockFolders)
        left = QFile::exists(LockFile(folder)) || left;
    return left;
}

void RemoveStaleLocks()
{
    for (const char* folder : kLockFolders)
        QFile::remove(LockFile(folder));
}

}  // namespace

class TestStoredPortNames : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        RemoveStaleLocks();
    }
    void cleanup() { RemoveStaleLocks(); }

    // Each start reads the key again, as each run of the program does.
    void nulInStoredPortNameStartsTwice_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("ticPort");  // 0 for the receiver port
        QTest::newRow("GPS") << "GpsPortDialog/GPS Serial Port" << 0;
        QTest::newRow("TIC1") << "TicPortDialog/TIC1 Serial Port" << 1;
        QTest::newRow("TIC8") << "TicPortDialog/TIC8 Serial Port" << 8;
    }
    void nulInStoredPortNameStartsTwice()
    {
        QFETCH(QString, key);
        QFETCH(int, ticPort);
        QSettings().setValue(key, kCutName + QChar(0) + QLatin1Char('y'));
        for (int start = 1; start <= 2; ++start) {
            if (ticPort == 0) {
                GpsSerialPortThread gps;
                gps.startGpsSerialPort(false);
            } else {
                TicSerialPortThread tic;
                tic.startTicSerialPort(ticPort);
                QVERIFY(tic.Settings().IsOff());
            }
            QCOMPARE(QStringLiteral("%1 %2").arg(QSettings().value(key).toString()).arg(StaleLockLeft()),
                     QStringLiteral("OFF 0"));
        }
    }
};

HORALUX_TEST(TestStoredPortNames);
#include "tst_storedportnames.moc"
