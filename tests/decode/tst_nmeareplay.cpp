// Real receivers' NMEA streams through a pseudo-terminal into the program in the
// "Generic NMEA" and "u-blox NMEA" modes, a u-blox timing receiver's UBX stream in the
// "u-blox UBX" mode and an 8-channel receiver's binary stream in the receive-only mode,
// compared field by field with another decoder's reading.

#include "decodetests.h"
#include "geoidmodel.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QSet>

#include <array>
#include <cmath>

namespace {

// What the program made of the stream right after one message.
struct Snapshot
{
    QByteArray sentence;
    QDateTime receiverTime;
    double gdop, pdop, hdop, vdop, tdop, speedKnots, heading;
    int fixStatus, satellitesUsed, navMode, dgpsState;
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    std::array<SatelliteRecord, 16> tableSlots{};
};

Snapshot TakeSnapshot(const MainWindow& w, const QByteArray& sentence)
{
    const GpsNavDialog* nav = w.gpsNavDialog;
    Snapshot s{sentence, w.receiverTime.dateTime, nav->gdop, nav->pdop, nav->hdop, nav->vdop, nav->tdop,
               nav->GetSpeed(), nav->GetHeading(), nav->GetFixStatus(), nav->GetSatellitesUsed(),
               nav->GetNavMode(), w.dgpsState};
    nav->GetCurrentPosition(&s.lat, &s.lon, &s.altGps, &s.altMsl);
    std::copy(w.satellites, w.satellites + 16, s.tableSlots.begin());
    return s;
}

// The capture without its comment lines, byte for byte otherwise.
QByteArray ReplayBytes(const QByteArray& capture)
{
    QByteArray bytes;
    for (const QByteArray& line : capture.split('\n')) {
        if (!line.startsWith('#') && !line.isEmpty())
            bytes += line + '\n';
    }
    return bytes;
}

// The other decoder's reading: each sentence with the reports that followed it.
struct CheckEntry
{
    QByteArray sentence;
    QList<QJsonObject> reports;
};

QList<CheckEntry> ReadCheckFile(const QByteArray& text)
{
    QList<CheckEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith('$'))
            entries.append({line.trimmed(), {}});
        else if (line.startsWith('{') && !entries.isEmpty())
            entries.last().reports.append(QJsonDocument::fromJson(line).object());
    }
    return entries;
}

// The time of day a sentence carries, as hhmmss; empty for one without.
QByteArray SentenceTime(const QByteArray& sentence)
{
    const int index = sentence.startsWith("$GPRMC") || sentence.startsWith("$GPGGA") ? 1 : 5;
    return index == 1 || sentence.startsWith("$GPGLL") ? sentence.split(',').value(index).left(6) : QByteArray();
}

// The JSON reports of one class in the check file, in their order.
QList<QJsonObject> Reports(const QByteArray& check, const QString& reportClass)
{
    QList<QJsonObject> reports;
    for (const QByteArray& line : check.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value("class").toString() == reportClass)
            reports << o;
    }
    return reports;
}

// The stream cut after each 8-channel position message: what the receiver had sent when
// that message was complete.
QList<QByteArray> ChunksEndingInPositions(const QByteArray& stream)
{
    QList<QByteArray> chunks;
    qsizetype start = 0;
    qsizetype pos = 0;
    while (pos + 4 <= stream.size()) {
        const int length = GpsSerialPortThread::MotorolaMessageLength(stream.mid(pos, 4));
        if (length <= 0)
            return {};
        pos += length;
        if (stream.mid(pos - length, 4) == "@@Ea") {
            chunks << stream.mid(start, pos - start);
            start = pos;
        }
    }
    return chunks << stream.mid(start);
}

QSet<int> UsedPrns(const QJsonObject& sky)
{
    QSet<int> prns;
    for (const QJsonValue& v : sky.value("satellites").toArray()) {
        if (v.toObject().value("used").toBool())
            prns << v.toObject().value("PRN").toInt();
    }
    return prns;
}

}  // namespace

class TestNmeaReplay : public QObject
{
    Q_OBJECT

private slots:
    void replay_data()
    {
        QTest::addColumn<QString>("capture");
        QTest::addColumn<QString>("modeName");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("model");  // what identifying the receiver would have written
        for (const char* capture : {"ublox-lea-5h.log", "garmin15x.log"}) {
            QTest::addRow("%s generic", capture) << QString::fromLatin1(capture) << QStringLiteral("Generic NMEA")
                                                 << int(GpsPortModeGenericNmea) << int(ReceiverModelGenericNmea);
            QTest::addRow("%s u-blox", capture) << QString::fromLatin1(capture) << QStringLiteral("u-blox NMEA")
                                                << int(GpsPortModeUbloxNmea) << int(ReceiverModelUblox);
        }
    }

    void replay()
    {
        QFETCH(QString, capture);
        QFETCH(QString, modeName);
        QFETCH(int, mode);
        QFETCH(int, model);
        QByteArray captureBytes, checkBytes;
        READ_CAPTURE(capture, captureBytes);
        READ_CAPTURE(capture + QStringLiteral(".chk"), checkBytes);
        const QList<CheckEntry> check = ReadCheckFile(checkBytes);
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        const QList<Snapshot> snapshots = Play(pair, modeName, mode, model, ReplayBytes(captureBytes), check.size());
        QCOMPARE(snapshots.size(), check.size());
        Compare(snapshots, check);
    }

    // The LEA-4T capture holds no position message that this program reads (its fix is
    // in NAV-SOL), so time, fix, DOPs and satellites are compared, second by second.
    void ubxReplay()
    {
        QByteArray captureBytes, checkBytes;
        READ_CAPTURE(QStringLiteral("ublox-lea-4t.log"), captureBytes);
        READ_CAPTURE(QStringLiteral("ublox-lea-4t.log.chk"), checkBytes);
        const QByteArray bytes = captureBytes.mid(captureBytes.indexOf("\xB5\x62"));
        QList<QList<QJsonObject>> seconds;  // the other decoder's reports of each second
        for (const CheckEntry& entry : ReadCheckFile(checkBytes)) {
            if (entry.sentence.startsWith("$GPZDA"))
                seconds.append(QList<QJsonObject>());
            if (!seconds.isEmpty())
                seconds.last() += entry.reports;
        }
        QCOMPARE(seconds.size(), 2);

        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        const int frames = 31;
        const QList<Snapshot> snapshots =
            Play(pair, QStringLiteral("u-blox UBX"), GpsPortModeUbloxUbx, ReceiverModelUblox, bytes, frames);
        QCOMPARE(snapshots.size(), frames);

        // The state right after the k-th frame of the class and id.
        const auto after = [&](const char* classAndId, int k) {
            for (const Snapshot& s : snapshots) {
                if (s.sentence.mid(2, 2) == QByteArray(classAndId, 2) && k-- == 0)
                    return s;
            }
            return Snapshot{};
        };
        QStringList compared;
        for (int k = 0; k < seconds.size(); ++k) {
            for (const QJsonObject& report : seconds.at(k)) {
                const auto near = [&](double ours, const char* key) {
                    return qAbs(ours - report.value(key).toDouble()) <= 0.005;
                };
                if (report.value("class").toString() == QLatin1String("TPV")) {
                    QCOMPARE(after("\x01\x03", k).navMode, report.value("mode").toInt());
                    compared << QStringLiteral("mode");
                    // Until it has read the receiver's leap seconds, the other decoder
                    // guesses them; this program takes the receiver's own UTC.
                    if (!report.contains("leapseconds"))
                        continue;
                    const QDateTime at = QDateTime::fromString(report.value("time").toString(), Qt::ISODateWithMs);
                    // The receiver time is set one second on, for the next tick.
                    QCOMPARE(after("\x01\x21", k).receiverTime.addSecs(-1), at.addMSecs(-at.time().msec()));
                    compared << QStringLiteral("time");
                } else if (report.contains("satellites")) {
                    const Snapshot sky = after("\x01\x30", k);
                    QCOMPARE(sky.satellitesUsed, report.value("uSat").toInt());
                    CompareSky(sky, report.value("satellites").toArray(), true);
                    if (QTest::currentTestFailed())
                        return;
                    compared << QStringLiteral("sky");
                } else if (report.contains("gdop")) {
                    const Snapshot dop = after("\x01\x04", k);
                    QVERIFY(near(dop.gdop, "gdop") && near(dop.pdop, "pdop") && near(dop.hdop, "hdop") &&
                            near(dop.vdop, "vdop") && near(dop.tdop, "tdop"));
                    compared << QStringLiteral("dops");
                }
            }
        }
        QCOMPARE(compared.join(QLatin1Char(' ')), QStringLiteral("mode dops sky mode time dops sky"));
    }

    // A real 8-channel receiver in the receive-only binary mode.
    void eightChannelReceiverInReceiveOnlyMode()
    {
        QByteArray capture, check;
        READ_CAPTURE(QStringLiteral("oncore-binary.log"), capture);
        READ_CAPTURE(QStringLiteral("oncore-binary.log.chk"), check);
        const QList<QByteArray> chunks = ChunksEndingInPositions(capture.mid(capture.indexOf("@@")));
        const QList<QJsonObject> fixes = Reports(check, "TPV");
        const QList<QJsonObject> skies = Reports(check, "SKY");
        QCOMPARE(QString::asprintf("%d %d %d", int(chunks.size()), int(fixes.size()), int(skies.size())), "13 12 12");

        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetReceiverPort(pair.ProgramEnd(), "Motorola Binary Rx Only");
        // The recording is of a UT+; its column's texts read as the GT's, which decodes alike.
        QSettings().setValue("GpsRxType/PPS Interface", "2.0 and up");
        MainWindow w;
        QVERIFY(w.gpsPortThread.Port().isOpen());
        QVERIFY(w.InitializeGpsReceiver());  // receive-only: nothing is asked, nothing missed
        QCOMPARE(receiverInfo.gpsPortMode, int(GpsPortModeMotorolaBinaryRxOnly));
        QVERIFY(!w.bGpsSearchActive);
        QCOMPARE(w.statusMessageLabel->text(), "Motorola GT, Rx Only, Bin, 8 ch, V2.0");
        w.show();
        w.findChild<QAction*>("actionGps_Raw_Data")->trigger();
        QVERIFY(w.bGpsRawDataVisible);

        QFile receiver(pair.ReceiverEnd());
        QVERIFY(receiver.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const GpsNavDialog& nav = *w.gpsNavDialog;
        for (int i = 0; i < fixes.size(); ++i) {
            w.bAnswerReceived[MainWindow::AnswerEa] = false;
            QCOMPARE(receiver.write(chunks[i]), chunks[i].size());
            QVERIFY2(TestSupport::WaitFor([&] { return w.bAnswerReceived[MainWindow::AnswerEa]; }, 5000),
                     qPrintable(QStringLiteral("position message %1 not decoded").arg(i)));

            const QJsonObject &fix = fixes[i], &sky = skies[i];
            const auto near = [&fix](double ours, const char* key, double tolerance) {
                return std::abs(ours - fix.value(key).toDouble()) < tolerance;
            };
            const QByteArray at = QByteArray::number(i);
            const QDateTime fixTime = QDateTime::fromString(fix.value("time").toString(), Qt::ISODateWithMs);
            QVERIFY2(std::abs(w.displayTime.ToMSecsSinceEpoch() - fixTime.toMSecsSinceEpoch()) < 1000, at);
            QCOMPARE(w.receiverTime.ToMSecsSinceEpoch() - w.displayTime.ToMSecsSinceEpoch(), 1000);
            QVERIFY2(near(nav.currentLat, "lat", 1e-8) && near(nav.currentLon, "lon", 1e-8), at);
            // Our geoid table is coarser than the other decoder's.
            QVERIFY2(near(nav.currentAltGps, "altHAE", 0.005) && near(nav.currentAltMsl, "altMSL", 3.0), at);
            QCOMPARE(nav.currentAltMsl,
                     nav.currentAltGps - GeoidModel::GeoidSeparation(nav.currentLat, nav.currentLon));
            QVERIFY2(near(nav.GetSpeed() / 1.9425, "speed", 0.0051) && near(nav.GetHeading(), "track", 0.05), at);
            QCOMPARE(nav.GetNavMode(), fix.value("mode").toInt());
            QCOMPARE(nav.GetSatellitesUsed(), sky.value("uSat").toInt());
            const QString pdop = QString::asprintf("PDOP = %4.1f", sky.value("pdop").toDouble());
            QVERIFY2(w.ui->IDC_SATS_STATUS_MESSAGE->text().endsWith(pdop), at);

            QSet<int> used;
            for (const SatelliteRecord& s : w.satellites)
                used += s.prn != 0 && s.bTracked && (s.statusFlags & 0x80) ? QSet<int>{s.prn} : QSet<int>{};
            QCOMPARE(used, UsedPrns(sky));
            // Our levels are the receiver's bytes less 20.
            for (const QJsonValue& v : sky.value("satellites").toArray()) {
                const QJsonObject s = v.toObject();
                if (s.value("used").toBool())
                    QCOMPARE(w.satellites[s.value("PRN").toInt()].signalLevel, s.value("ss").toInt() - 20);
            }
        }
        w.bAnswerReceived[MainWindow::AnswerEn] = false;
        receiver.write(chunks.last());
        QVERIFY(TestSupport::WaitFor([&] { return w.bAnswerReceived[MainWindow::AnswerEn]; }, 5000));

        // The visible-satellite reports placed every satellite in the sky.
        const QJsonObject lastSky = skies.last();
        for (const QJsonValue& v : lastSky.value("satellites").toArray()) {
            const QJsonObject s = v.toObject();
            const SatelliteRecord& sat = w.satellites[s.value("PRN").toInt()];
            QCOMPARE(QString::asprintf("%d/%d", sat.elevation, sat.azimuth),
                     QString::asprintf("%d/%d", s.value("el").toInt(), s.value("az").toInt()));
        }
        QCOMPARE(w.utcOffsetSecs, fixes.last().value("leapseconds").toInt());
        QVERIFY(w.bSawtoothValid);
    }

private:
    // The bytes through a pseudo-terminal into a main window in the mode, with the state
    // after each message the port handed on.
    QList<Snapshot> Play(const SocatPair& pair, const QString& modeName, int mode, int model, const QByteArray& bytes,
                         int messages)
    {
        QList<Snapshot> snapshots;
        SetReceiverPort(pair.ProgramEnd(), qPrintable(modeName));
        MainWindow window;
        window.InitializeGpsReceiver();  // ends the start-up search
        if (!window.gpsPortThread.Port().isOpen() || receiverInfo.gpsPortMode != mode)
            return snapshots;
        // What identifying the receiver would have written.
        receiverInfo.ResetIdentity();
        receiverInfo.receiverModel = model;
        window.show();
        window.findChild<QAction*>("actionGps_Raw_Data")->trigger();
        connect(&window.gpsPortThread, &GpsSerialPortThread::newGpsText, &window,
                [&](const QByteArray& s) { snapshots.append(TakeSnapshot(window, s)); });

        QSerialPort rx;
        rx.setPortName(pair.ReceiverEnd());
        if (!rx.open(QIODevice::ReadWrite))
            return snapshots;
        rx.write(bytes);
        rx.waitForBytesWritten(5000);
        if (!TestSupport::WaitFor([&] { return snapshots.size() >= messages; }, 20000))
            qWarning("%d of %d messages", int(snapshots.size()), messages);
        return snapshots;
    }

    void Compare(const QList<Snapshot>& snapshots, const QList<CheckEntry>& check)
    {
        QHash<QByteArray, int> ggaAt;  // time of day -> index of its fix data sentence
        QHash<QByteArray, int> rmcAt;
        QByteArray epoch;
        bool bEpochHasGsa = false;
        int positions = 0, times = 0, speeds = 0, dops = 0, skies = 0, modes = 0;
        for (int i = 0; i < check.size(); ++i) {
            const Snapshot& now = snapshots.at(i);
            const QByteArray& sentence = check.at(i).sentence;
            QCOMPARE(now.sentence, sentence);
            const QByteArray time = SentenceTime(sentence);
            if (!time.isEmpty() && time != epoch) {
                epoch = time;
                bEpochHasGsa = false;
            }
            if (sentence.startsWith("$GPGGA"))
                ggaAt.insert(time, i);
            else if (sentence.startsWith("$GPRMC"))
                rmcAt.insert(time, i);
            else if (sentence.startsWith("$GPGSA"))
                bEpochHasGsa = true;

            for (const QJsonObject& report : check.at(i).reports) {
                const auto near = [&](double ours, const char* key, double tolerance) {
                    return qAbs(ours - report.value(key).toDouble()) <= tolerance;
                };
                if (report.value("class").toString() == QLatin1String("TPV")) {
                    const QDateTime at = QDateTime::fromString(report.value("time").toString(), Qt::ISODateWithMs);
                    const QByteArray key = at.toUTC().toString(QStringLiteral("hhmmss")).toLatin1();
                    if (report.contains("lat") && ggaAt.contains(key)) {
                        const Snapshot& gga = snapshots.at(ggaAt.value(key));
                        QVERIFY2(near(gga.lat, "lat", 1e-7) && near(gga.lon, "lon", 1e-7), sentence);
                        QVERIFY2(near(gga.altGps, "altHAE", 1e-6) && near(gga.altMsl, "altMSL", 1e-6), sentence);
                        const bool differential = report.value("status").toInt() == 2;
                        QCOMPARE(gga.dgpsState * 10 + gga.fixStatus, differential ? 23 : 2);
                        ++positions;
                    }
                    if (rmcAt.contains(key)) {
                        const Snapshot& rmc = snapshots.at(rmcAt.value(key));
                        // The receiver time is set one second on, for the next tick.
                        QCOMPARE(rmc.receiverTime.addSecs(-1), at);
                        QCOMPARE(rmc.receiverTime.timeSpec(), Qt::UTC);
                        ++times;
                        QVERIFY2(!report.contains("speed") || near(rmc.speedKnots * 0.514444, "speed", 6e-4), sentence);
                        QVERIFY2(!report.contains("track") || near(rmc.heading, "track", 1e-9), sentence);
                        speeds += report.contains("speed");
                    }
                    if (report.contains("mode") && bEpochHasGsa && key == epoch) {
                        QCOMPARE(now.navMode, report.value("mode").toInt());
                        ++modes;
                    }
                } else if (report.value("class").toString() == QLatin1String("SKY")) {
                    if (report.contains("pdop")) {
                        QVERIFY2(near(now.pdop, "pdop", 1e-9) && near(now.hdop, "hdop", 1e-9) &&
                                     near(now.vdop, "vdop", 1e-9),
                                 sentence);
                        ++dops;
                    }
                    if (sentence.startsWith("$GPGGA") && report.contains("uSat"))
                        QCOMPARE(now.satellitesUsed, report.value("uSat").toInt());
                    if (report.contains("satellites")) {
                        CompareSky(now, report.value("satellites").toArray());
                        if (QTest::currentTestFailed())
                            return;
                        ++skies;
                    }
                }
            }
        }
        // Every kind of value was compared at least once.
        QVERIFY(positions && times && speeds && dops && skies && modes);
    }

    // A UBX receiver's table keeps no channel without signal and shows the signal of
    // satellites in the fix only.
    void CompareSky(const Snapshot& now, const QJsonArray& sky, bool bUbx = false)
    {
        int expected = 0;
        for (const QJsonValue& value : sky) {
            const QJsonObject sat = value.toObject();
            const int prn = sat.value("PRN").toInt();
            const auto slot = std::find_if(now.tableSlots.begin(), now.tableSlots.end(),
                                           [prn](const SatelliteRecord& r) { return r.prn == prn; });
            const int ss = sat.value("ss").toInt();
            if (bUbx && ss == 0) {
                QVERIFY(slot == now.tableSlots.end());
                continue;
            }
            ++expected;
            QVERIFY2(slot != now.tableSlots.end(), qPrintable(QStringLiteral("PRN %1 missing").arg(prn)));
            // This program shows a generic receiver's ratio less 17 dB.
            const bool used = bUbx ? sat.value("used").toBool() : ss > 17;
            const int level = !used ? 0 : bUbx ? qMin(ss - 17, 39) : ss - 17;
            QCOMPARE(QString::asprintf("%d/%d L%d %d", slot->elevation, slot->azimuth, slot->signalLevel, slot->bTracked),
                     QString::asprintf("%d/%d L%d %d", sat.value("el").toInt(), sat.value("az").toInt(), level, used));
        }
        const auto filled = std::count_if(now.tableSlots.begin(), now.tableSlots.end(),
                                          [](const SatelliteRecord& r) { return r.prn != 0; });
        QCOMPARE(int(filled), qMin(expected, 16));
    }
};

HORALUX_TEST(TestNmeaReplay);
#include "tst_nmeareplay.moc"
