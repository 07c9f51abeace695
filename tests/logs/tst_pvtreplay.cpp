// Real receivers' recordings played through a pseudo-terminal into the program with a
// PVT log open: one line per logged second, whose positions agree with another
// decoder's reading of the same bytes.

#include "../decode/decodetests.h"
#include "logtests.h"
#include "socatpair.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>

#include <cmath>

namespace {

// The other decoder's positions by time of day (hhmmss), the last report of each time.
QHash<QByteArray, QJsonObject> Positions(const QByteArray& check)
{
    QHash<QByteArray, QJsonObject> positions;
    for (const QByteArray& line : check.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value("class").toString() == "TPV" && o.contains("lat")) {
            const QDateTime t = QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs);
            positions.insert(t.toUTC().toString("HHmmss").toLatin1(), o);
        }
    }
    return positions;
}

}  // namespace

class TestPvtReplay : public QObject
{
    Q_OBJECT

    // Plays the bytes into a window in the mode with a PVT log open, until the
    // messages counted by bCounted have all been decoded; returns the log of the day.
    QByteArray Replay(const SocatPair& pair, const QByteArray& bytes, const char* mode, int model,
                      const std::function<bool(const QByteArray&)>& bCounted, int expected, const QString& logName)
    {
        LogWindow lw({{"GpsPortDialog/GPS Serial Port", pair.ProgramEnd()},
                      {"GpsPortDialog/GPS Serial Port Mode", mode},
                      {"GpsPortDialog/GPS Serial Port PPS Interface", 0},
                      {"LogFiles/GPSLogType", 2}});
        MainWindow& w = *lw.w;
        w.InitializeGpsReceiver();  // receive-only: the search ends at once
        receiverInfo.receiverModel = model;
        if (!w.OpenGpsLog())
            return "no log";
        int counted = 0;
        connect(&w.gpsPortThread, &GpsSerialPortThread::newGpsText, &w,
                [&](const QByteArray& s) { counted += bCounted(s); });
        QSerialPort rx;
        rx.setPortName(pair.ReceiverEnd());
        if (!rx.open(QIODevice::ReadWrite))
            return "no port";
        rx.write(bytes);
        rx.waitForBytesWritten(5000);
        if (!TestSupport::WaitFor([&] { return counted >= expected; }, 20000))
            return "only " + QByteArray::number(counted) + " messages";
        w.CloseGpsLog(true);
        return lw.Read(logName);
    }

private slots:
    void motorolaEightChannel()
    {
        QByteArray capture;
        QByteArray check;
        READ_CAPTURE_OR_SKIP(QStringLiteral("oncore-binary.log"), capture);
        READ_CAPTURE_OR_SKIP(QStringLiteral("oncore-binary.log.chk"), check);
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        const QByteArray bytes = capture.mid(capture.indexOf("@@"));
        const auto isPosition = [](const QByteArray& m) { return m.startsWith("@@Ea"); };
        const QByteArray log = Replay(pair, bytes, "Motorola Binary Rx Only", 9, isPosition, 12, "GPS2000238.csv");
        const QList<QByteArray> lines = DataLines(log);
        QVERIFY2(lines.size() == 12, log);
        const QHash<QByteArray, QJsonObject> positions = Positions(check);
        for (const QByteArray& line : lines) {
            // date, time, then latitude and longitude in milliarcseconds
            const QList<QByteArray> f = line.split(',');
            QVERIFY2(f.size() > 4 && f[0] == "08/25/2000", line);
            const QJsonObject fix = positions.value(f[1].trimmed().left(8).replace(":", ""));
            QVERIFY2(!fix.isEmpty(), line);
            QVERIFY2(std::abs(f[2].toDouble() / 3.6e6 - fix.value("lat").toDouble()) < 1e-8, line);
            QVERIFY2(std::abs(f[3].toDouble() / 3.6e6 - fix.value("lon").toDouble()) < 1e-8, line);
        }
    }

    void uBloxNmea()
    {
        QByteArray capture;
        QByteArray check;
        READ_CAPTURE_OR_SKIP(QStringLiteral("ublox-lea-5h.log"), capture);
        READ_CAPTURE_OR_SKIP(QStringLiteral("ublox-lea-5h.log.chk"), check);
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        QByteArray bytes;
        int sentences = 0;
        int fixesAfterFirstTime = 0;  // a second is logged once a time sentence decided it
        for (const QByteArray& line : capture.split('\n')) {
            if (line.startsWith('#') || line.isEmpty())
                continue;
            bytes += line + '\n';
            ++sentences;
            if (line.startsWith("$GPGGA") && bytes.contains("$GPRMC"))
                ++fixesAfterFirstTime;
        }
        const auto any = [](const QByteArray&) { return true; };
        const QByteArray log = Replay(pair, bytes, "Generic NMEA", ReceiverModelGenericNmea, any, sentences, "GPS2010233.csv");
        QList<QByteArray> lines = DataLines(log);
        QVERIFY(!lines.isEmpty() && lines.takeFirst().startsWith("time,lat_deg,lat_min,lat_dir,long_deg,"));
        QVERIFY(fixesAfterFirstTime > 10);
        QCOMPARE(lines.size(), fixesAfterFirstTime);
        const QHash<QByteArray, QJsonObject> positions = Positions(check);
        for (const QByteArray& line : lines) {
            // hh,mm,ss.ss,lat_deg,lat_min,N/S,long_deg,long_min,E/W,...
            const QList<QByteArray> f = line.split(',');
            QVERIFY2(f.size() > 8, line);
            const QByteArray time = f[0] + f[1] + f[2].left(2);
            const QJsonObject fix = positions.value(time);
            QVERIFY2(!fix.isEmpty(), line);
            const double lat = (f[3].toDouble() + f[4].toDouble() / 60) * (f[5] == "S" ? -1 : 1);
            const double lon = (f[6].toDouble() + f[7].toDouble() / 60) * (f[8] == "W" ? -1 : 1);
            QVERIFY2(std::abs(lat - fix.value("lat").toDouble()) < 1e-7, line);
            QVERIFY2(std::abs(lon - fix.value("lon").toDouble()) < 1e-7, line);
        }
    }
};

HORALUX_TEST(TestPvtReplay);
#include "tst_pvtreplay.moc"
