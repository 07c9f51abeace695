// The Motorola satellite and channel messages: visible satellites, almanac and
// ephemeris reports, and the per-channel measurement lines.

#include "motorolamessages.h"
#include "testsupport.h"

#include <QTest>

namespace {

// One "@@Bb" record: PRN, Doppler, elevation, azimuth and health.
void VisibleRecord(MotorolaMessage& m, int k, int prn, int doppler, int elevation, int azimuth, int health)
{
    const int b = 5 + 7 * k;
    m.U8(b, prn).U16(b + 1, doppler).U8(b + 3, elevation).U16(b + 4, azimuth).U8(b + 6, health);
}

// The channel measurements shared by the 6- and 8-channel tests.
MotorolaMessage ChannelData(const char* id)
{
    MotorolaMessage m(id);
    m.U24(4, 345600).S32(7, 123456789);
    m.U8(11, 5).U8(12, 0xA2).U24(13, 70000).S32(16, 5).U16(20, 1234).U16(22, 32768).U24(24, 0xFFFFFF).U16(27, 65535);
    m.U8(29, 12).U8(30, 0x0F).U24(31, 1).S32(34, -1).U16(38, 0).U16(40, 1).U24(42, 7).U16(45, 8);
    return m;
}

}  // namespace

class TestMotorolaSatellites : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup() { w.reset(); }

    void visibleSatellitesFillTheirRecords()
    {
        w->satellites[7].signalLevel = 44;
        w->satellites[7].bTracked = true;
        w->satellites[7].statusFlags = int8_t(0x80);  // used in the fix: the table keeps its level
        MotorolaMessage bb("Bb");
        bb.U8(4, 3);
        VisibleRecord(bb, 0, 7, 0, 45, 270, 0);
        VisibleRecord(bb, 1, 12, 1200, 10, 5, 1);
        VisibleRecord(bb, 2, 255, 65535, 90, 359, 2);
        QCOMPARE(w->DecodeMotorolaBinary(bb),
                 "@@Bb 3 Prn, Doppler, El, Az, Hlth; 7 0 45 270 0; 12 1200 10 5 1; 255 65535 90 359 2; \n");
        const SatelliteRecord& s7 = w->satellites[7];
        QCOMPARE(s7.prn, 7);
        QCOMPARE(s7.elevation, 45);
        QCOMPARE(s7.azimuth, 270);
        QCOMPARE(s7.elevationTrend, 0);
        // The channel fields stay as the position messages left them.
        QCOMPARE(s7.signalLevel, 44);
        QVERIFY(s7.bTracked);
        QCOMPARE(w->satellites[12].elevationTrend, 1);
        QCOMPARE(w->satellites[255].azimuth, 359);
        QCOMPARE(w->satellites[255].elevationTrend, 1);
    }

    void visibleSatelliteCounts()
    {
        MotorolaMessage none("Bb");
        VisibleRecord(none, 0, 9, 1, 30, 40, 0);
        QCOMPARE(w->DecodeMotorolaBinary(none), "@@Bb 0 Prn, Doppler, El, Az, Hlth; \n");
        QCOMPARE(w->satellites[9].prn, 0);

        MotorolaMessage many("Bb");
        many.U8(4, 15);
        for (int k = 0; k < 12; ++k)
            VisibleRecord(many, k, k + 1, 0, 10 + k, 100 + k, 0);
        const QString text = w->DecodeMotorolaBinary(many);
        QVERIFY(text.startsWith("@@Bb 15 Prn, Doppler, El, Az, Hlth; 1 0 10 100 0; "));
        QVERIFY(text.endsWith("; 12 0 21 111 0; \n"));
        QCOMPARE(text.count(QLatin1Char(';')), 13);
        QCOMPARE(w->satellites[12].elevation, 21);
    }

    void visibleSatellitesRefreshTheTableOnlyWithoutPositionMessages()
    {
        MotorolaMessage bb("Bb");
        bb.U8(4, 1);
        VisibleRecord(bb, 0, 7, 0, 45, 270, 0);
        w->messageHoldoff[1] = 2;
        w->DecodeMotorolaBinary(bb);
        QCOMPARE(w->satellites[7].prn, 7);
        for (const SatelliteRecord& s : w->satelliteDisplayTable)
            QVERIFY(s.prn != 7);

        w->messageHoldoff[1] = 0;
        w->DecodeMotorolaBinary(bb);
        QVERIFY(std::any_of(std::begin(w->satelliteDisplayTable), std::end(w->satelliteDisplayTable),
                            [](const SatelliteRecord& s) { return s.prn == 7 && s.elevation == 45; }));
    }

    void channelMeasurementLines()
    {
        QCOMPARE(w->DecodeMotorolaBinary(ChannelData("Bg")), BareHead("Bg"));
        QCOMPARE(w->DecodeMotorolaBinary(ChannelData("Eg")), BareHead("Eg"));

        w->bGpsRawDataVisible = true;
        QCOMPARE(w->DecodeMotorolaBinary(ChannelData("Bg")),
                 "@@Bg, 345600.123456789,5, 0xA2, 70000.000000005, 1234.5000, 16777215,65535, 12, 0x0F, "
                 "0.999999999, 0.0000, 7,8, 0, 0x00, 0.000000000, 0.0000, 0,0, 0, 0x00, 0.000000000, 0.0000, "
                 "0,0, 0, 0x00, 0.000000000, 0.0000, 0,0, 0, 0x00, 0.000000000, 0.0000, 0,0\n");
        MotorolaMessage eg = ChannelData("Eg");
        eg.U8(137, 32).U8(138, 0xFF).S32(142, 500000000).U16(146, 2).U16(148, 16384).U24(150, 1).U16(153, 2);
        QCOMPARE(w->DecodeMotorolaBinary(eg),
                 "@@Eg, 345600.123456789,5,0xA2,70000.000000005,1234.5000,16777215,65535,12,0x0F,0.999999999,"
                 "0.0000,7,8,0,0x00,0.000000000,0.0000,0,0,0,0x00,0.000000000,0.0000,0,0,0,0x00,0.000000000,"
                 "0.0000,0,0,0,0x00,0.000000000,0.0000,0,0,0,0x00,0.000000000,0.0000,0,0,32,0xFF,0.500000000,"
                 "2.2500,1,2\n");
    }

    void almanacAndEphemerisReports()
    {
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bd")), "@@Bd, No almanac in the receiver\n");
        MotorolaMessage bd("Bd");
        bd.U8(4, 1).U8(5, 200).U8(6, 147).U8(7, 31).U32(8, 5);
        QCOMPARE(w->DecodeMotorolaBinary(bd),
                 "@@Bd, Valid almanac in the receiver, week = 200, time = 147, Sats = 31, SV id mask = 0x0005 \n");
        bd.U32(8, 0xFFFFFFFE);
        QVERIFY(w->DecodeMotorolaBinary(bd).endsWith("SV id mask = 0xFFFFFFFE \n"));
        bd.U8(4, 7);
        QCOMPARE(w->DecodeMotorolaBinary(bd), "@@Bd, Message field error\n");

        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bf").U8(4, 7)), "@@Bf Sat 07, Ephemeris Data Message\n");
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bf").U8(4, 132)), "@@Bf Sat 132, Ephemeris Data Message\n");
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaSatellites);
#include "tst_motorolasatellites.moc"
