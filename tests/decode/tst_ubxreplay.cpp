// A u-blox timing receiver's UBX stream through a pseudo-terminal into the program in
// the "u-blox UBX" mode, compared with another decoder's reading of each second: time,
// fix, DOPs and satellites.

#include "decodetests.h"
#include "gpsrawdatadialog.h"
#include "socatpair.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>

#include <array>

namespace {

// What the program made of the stream right after one frame.
struct Snapshot
{
    int key = 0;  // class << 8 | id
    QDateTime receiverTime;
    double gdop = 0.0, pdop = 0.0, hdop = 0.0, vdop = 0.0, tdop = 0.0;
    int navMode = 0, satellitesUsed = 0;
    std::array<SatelliteRecord, 32> satellites;
};

constexpr int kTimeUtc = 0x0121;
constexpr int kStatus = 0x0103;
constexpr int kDop = 0x0104;
constexpr int kSvInfo = 0x0130;

// The capture's bytes after its comment lines, and the number of UBX frames in them.
QByteArray ReplayBytes(const QByteArray& capture, int* frames)
{
    const qsizetype start = capture.indexOf("\xB5\x62");
    const QByteArray bytes = start < 0 ? QByteArray() : capture.mid(start);
    *frames = 0;
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        if (bytes.at(at) != '\xB5' || bytes.at(at + 1) != '\x62') {
            ++at;
            continue;
        }
        at += 8 + (uint8_t(bytes.at(at + 4)) | uint8_t(bytes.at(at + 5)) << 8);
        *frames += at <= bytes.size();
    }
    return bytes;
}

// The other decoder's reports, one list per second of the capture (each second begins
// with the time sentence it re-derived).
QList<QList<QJsonObject>> ReportsBySecond(const QByteArray& text)
{
    QList<QList<QJsonObject>> seconds;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("$GPZDA"))
            seconds.append(QList<QJsonObject>());
        else if (line.startsWith('{') && !seconds.isEmpty())
            seconds.last().append(QJsonDocument::fromJson(line).object());
    }
    return seconds;
}

}  // namespace

class TestUbxReplay : public QObject
{
    Q_OBJECT

private slots:
    void replay()
    {
        QByteArray captureBytes;
        QByteArray checkBytes;
        READ_CAPTURE_OR_SKIP(QStringLiteral("ublox-lea-4t.log"), captureBytes);
        READ_CAPTURE_OR_SKIP(QStringLiteral("ublox-lea-4t.log.chk"), checkBytes);
        int frames = 0;
        const QByteArray bytes = ReplayBytes(captureBytes, &frames);
        const QList<QList<QJsonObject>> seconds = ReportsBySecond(checkBytes);
        QCOMPARE(frames, 31);
        QCOMPARE(seconds.size(), 2);

        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetReceiverPort(pair.ProgramEnd(), "u-blox UBX");
        MainWindow window;
        QVERIFY(window.gpsPortThread.Port().isOpen());
        window.InitializeGpsReceiver();  // ends the start-up search
        QCOMPARE(receiverInfo.gpsPortMode, int(GpsPortModeUbloxUbx));
        receiverInfo.receiverModel = ReceiverModelUblox;
        window.show();
        window.gpsRawDataDialog->ShowDialog();
        window.bGpsRawDataVisible = true;

        QList<Snapshot> snapshots;
        connect(&window.gpsPortThread, &GpsSerialPortThread::newGpsText, &window, [&](const QByteArray& s) {
            const GpsNavDialog& nav = *window.gpsNavDialog;
            Snapshot now;
            now.key = uint8_t(s.at(2)) << 8 | uint8_t(s.at(3));
            now.receiverTime = window.receiverTime.dateTime;
            now.gdop = nav.gdop, now.pdop = nav.pdop, now.hdop = nav.hdop, now.vdop = nav.vdop, now.tdop = nav.tdop;
            now.navMode = nav.GetNavMode();
            now.satellitesUsed = nav.GetSatellitesUsed();
            std::copy(window.satellites, window.satellites + 32, now.satellites.begin());
            snapshots.append(now);
        });

        QSerialPort rx;
        rx.setPortName(pair.ReceiverEnd());
        QVERIFY(rx.open(QIODevice::ReadWrite));
        rx.write(bytes);
        QVERIFY(rx.waitForBytesWritten(5000) || rx.bytesToWrite() == 0);
        QVERIFY2(TestSupport::WaitFor([&] { return snapshots.size() >= frames; }, 20000),
                 qPrintable(QStringLiteral("%1 of %2 frames").arg(snapshots.size()).arg(frames)));
        QCOMPARE(snapshots.size(), frames);

        const QString shots = qEnvironmentVariable("HORALUX_REPLAY_SCREENSHOTS");
        if (!shots.isEmpty()) {
            window.grab().save(QDir(shots).filePath(QStringLiteral("ubx-mainwindow.png")));
            window.gpsRawDataDialog->grab().save(QDir(shots).filePath(QStringLiteral("ubx-rawdata.png")));
        }

        // The k-th second's messages against the other decoder's k-th second.
        const auto nth = [&](int key, int k) {
            int seen = 0;
            for (const Snapshot& s : snapshots) {
                if (s.key == key && seen++ == k)
                    return s;
            }
            return Snapshot();
        };
        int times = 0, modes = 0, dops = 0, skies = 0;
        for (int k = 0; k < seconds.size(); ++k) {
            for (const QJsonObject& report : seconds.at(k)) {
                const auto near = [&](double ours, const char* key) {
                    return qAbs(ours - report.value(key).toDouble()) <= 0.005;
                };
                if (report.value("class").toString() == QLatin1String("TPV")) {
                    // Before it has read the receiver's leap second count, the other decoder
                    // guesses one; our time is the receiver's own UTC.
                    if (report.contains("leapseconds")) {
                        const QDateTime at = QDateTime::fromString(report.value("time").toString(), Qt::ISODateWithMs);
                        // The receiver time is set one second on, for the next tick.
                        QCOMPARE(nth(kTimeUtc, k).receiverTime.addSecs(-1), at.addMSecs(-at.time().msec()));
                        ++times;
                    }
                    QCOMPARE(nth(kStatus, k).navMode, report.value("mode").toInt());
                    ++modes;
                } else if (report.contains("satellites")) {
                    CompareSky(nth(kSvInfo, k), report);
                    if (QTest::currentTestFailed())
                        return;
                    ++skies;
                } else if (report.contains("gdop")) {
                    const Snapshot dop = nth(kDop, k);
                    QVERIFY(near(dop.gdop, "gdop") && near(dop.pdop, "pdop") && near(dop.hdop, "hdop") &&
                            near(dop.vdop, "vdop") && near(dop.tdop, "tdop"));
                    ++dops;
                }
            }
        }
        QCOMPARE(QString::asprintf("%d %d %d %d", times, modes, dops, skies), QStringLiteral("1 2 2 2"));
    }

private:
    void CompareSky(const Snapshot& now, const QJsonObject& report)
    {
        QCOMPARE(now.satellitesUsed, report.value("uSat").toInt());
        int shown = 0;
        for (const QJsonValue& value : report.value("satellites").toArray()) {
            const QJsonObject sat = value.toObject();
            const int prn = sat.value("PRN").toInt();
            const auto record = std::find_if(now.satellites.begin(), now.satellites.end(),
                                             [prn](const SatelliteRecord& r) { return r.prn == prn; });
            // A channel without signal is not kept in the table.
            if (sat.value("ss").toDouble() == 0.0) {
                QVERIFY(record == now.satellites.end());
                continue;
            }
            QVERIFY2(record != now.satellites.end(), qPrintable(QStringLiteral("PRN %1 missing").arg(prn)));
            // The table shows the signal of satellites in the fix only.
            const bool used = sat.value("used").toBool();
            const int level = used ? qBound(0, sat.value("ss").toInt() - 17, 39) : 0;
            QCOMPARE(QString::asprintf("%d/%d L%d %d", record->elevation, record->azimuth, record->signalLevel,
                                       record->bTracked),
                     QString::asprintf("%d/%d L%d %d", sat.value("el").toInt(), sat.value("az").toInt(), level, used));
            ++shown;
        }
        QCOMPARE(int(std::count_if(now.satellites.begin(), now.satellites.end(),
                                   [](const SatelliteRecord& r) { return r.prn != 0; })),
                 shown);
    }
};

HORALUX_TEST(TestUbxReplay);
#include "tst_ubxreplay.moc"
