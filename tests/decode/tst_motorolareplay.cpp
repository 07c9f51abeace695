// A real 8-channel receiver's recording played into the program through a
// pseudo-terminal in the receive-only binary mode, checked against another decoder's
// reading of the same bytes.

#include "decodetests.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>

namespace {

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

class TestMotorolaReplay : public QObject
{
    Q_OBJECT

private slots:
    void eightChannelReceiverInReceiveOnlyMode()
    {
        QByteArray capture, check;
        READ_CAPTURE_OR_SKIP(QStringLiteral("oncore-binary.log"), capture);
        READ_CAPTURE_OR_SKIP(QStringLiteral("oncore-binary.log.chk"), check);
        const QList<QByteArray> chunks = ChunksEndingInPositions(capture.mid(capture.indexOf("@@")));
        const QList<QJsonObject> fixes = Reports(check, "TPV");
        const QList<QJsonObject> skies = Reports(check, "SKY");
        QCOMPARE(QString::asprintf("%d %d %d", int(chunks.size()), int(fixes.size()), int(skies.size())), "13 12 12");

        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetReceiverPort(pair.ProgramEnd(), "Motorola Binary Rx Only");
        MainWindow w;
        QVERIFY(w.gpsPortThread.Port().isOpen());
        QVERIFY(!w.InitializeGpsReceiver());  // receive-only: nothing answers, the search ends
        QCOMPARE(receiverInfo.gpsPortMode, int(GpsPortModeMotorolaBinaryRxOnly));
        QVERIFY(!w.bGpsSearchActive);
        // The receive-only set-up takes the model from the receiver type the operator
        // chose; the recording is of a UT+.
        receiverInfo.receiverModel = 9;
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
};

HORALUX_TEST(TestMotorolaReplay);
#include "tst_motorolareplay.moc"
