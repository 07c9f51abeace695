// The second a receiver's time names, by how often it sends it: the nearest whole second
// once a second, the second the time lies in several times a second; in each protocol,
// and for the fix a PVT row is placed by.

#include "decodetests.h"

#include "utcdatetime.h"

namespace {

const QDateTime kStart(QDate(2024, 12, 31), QTime(23, 59, 57), Qt::UTC);

// One stretch of a receiver's run: its times a second, their first ms into each second.
struct Stretch
{
    int rate;
    int firstMs;
    int seconds;
};

}  // namespace

Q_DECLARE_METATYPE(Stretch)

class TestReceiverRate : public QObject
{
    Q_OBJECT

    int64_t steadyMs = 0;

private slots:
    void init() { UtcDateTime::SetSteadyClock([this] { return steadyMs; }); }
    void cleanup() { UtcDateTime::SetSteadyClock({}); }

    // Stretches of a receiver's run from 23:59:57, each message's bytes 60 ms after its
    // time: every message names the second it should (the whole second after its time at
    // once a second from .5 on, its own otherwise), across midnight; in NMEA the fix of
    // the same time places its PVT row in that second too.
    void eachTimeNamesItsSecond_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<Stretch>>("run");
        const int nmea = GpsPortModeGenericNmea, ubx = GpsPortModeUbloxUbx, moto = GpsPortModeMotorolaBinary;
        for (int mode : {nmea, ubx, moto}) {
            const char* name = mode == nmea ? "NMEA" : mode == ubx ? "u-blox" : "Motorola";
            for (int ms : {500, 949, 950, 970, 999, 1, 0})
                QTest::addRow("%s 1 Hz .%03d", name, ms) << mode << QList<Stretch>{{1, ms, 5}};
            for (int rate : {2, 5, 10})
                QTest::addRow("%s %d Hz", name, rate) << mode << QList<Stretch>{{rate, 0, 5}};
            QTest::addRow("%s 1 Hz .949, 5 Hz, 1 Hz .949", name)
                << mode << QList<Stretch>{{1, 949, 2}, {5, 0, 2}, {1, 949, 3}};
            QTest::addRow("%s 1 Hz .999, 10 Hz", name) << mode << QList<Stretch>{{1, 999, 2}, {10, 0, 3}};
        }
    }
    void eachTimeNamesItsSecond()
    {
        QFETCH(int, mode);
        QFETCH(QList<Stretch>, run);
        auto w = NewDecodingWindow(mode);
        steadyMs = 5000000;
        int second = 0;
        QStringList wrong;
        for (const Stretch& stretch : run) {
            for (int k = 0; k < stretch.seconds; ++k, ++second) {
                for (int j = 0; j < stretch.rate; ++j) {
                    const int intoMs = stretch.firstMs + j * 1000 / stretch.rate;
                    const QDateTime t = kStart.addMSecs(second * 1000 + intoMs);
                    steadyMs = 5000000 + second * 1000 + intoMs + 60;
                    const QDateTime named = kStart.addSecs(second + (stretch.rate == 1 && intoMs >= 500 ? 1 : 0));
                    const QByteArray message = TimeMessageAt(mode, t);
                    if (mode == GpsPortModeGenericNmea)
                        w->DecodeNmeaSentence(message);
                    else if (mode == GpsPortModeUbloxUbx)
                        w->DecodeUbxMessage(message);
                    else
                        w->DecodeMotorolaBinary(message);
                    QString got = w->takenUtc.toString("HH:mm:ss");
                    if (mode == GpsPortModeGenericNmea) {
                        w->DecodeNmeaSentence(Sentence(
                            "$GPGGA," + t.toString("HHmmss.zzz").toLatin1() +
                            ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
                        got += " " + w->gpsRecordUtc.toString("HH:mm:ss");
                    }
                    const QString want = named.toString("HH:mm:ss") +
                                         (mode == GpsPortModeGenericNmea ? " " + named.toString("HH:mm:ss") : "");
                    if (got != want)
                        wrong << t.toString("HH:mm:ss.zzz") + " named " + got;
                }
            }
        }
        QCOMPARE(wrong.join(", "), QString());
    }
};

HORALUX_TEST(TestReceiverRate);
#include "tst_receiverrate.moc"
