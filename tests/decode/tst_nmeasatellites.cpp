#include "gpsnavdialog.h"
#include "mainwindow.h"
#include "nmeatestwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QTest>

namespace {

const QByteArray kGroupStart = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00";
const QByteArray kGroupEnd = "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00";

}  // namespace

// The DOP and satellites-in-view sentences.
class TestNmeaSatellites : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { window = NmeaTestWindow::Create(); }
    void cleanupTestCase() { delete window; }
    void init() { NmeaTestWindow::Reset(window); }

    void gsaThreeDimensionalFixStoresItsDops()
    {
        GpsNavDialog* nav = window->gpsNavDialog;
        nav->gdop = 7.0;
        nav->tdop = 8.0;
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1")));
        QCOMPARE(StatusText(), QStringLiteral("3-D Fix (A)"));
        QCOMPARE(nav->GetNavMode(), 3);
        QCOMPARE(nav->pdop, 2.5);
        QCOMPARE(nav->hdop, 1.3);
        QCOMPARE(nav->vdop, 2.1);
        QCOMPARE(nav->gdop, 7.0);
        QCOMPARE(nav->tdop, 8.0);

        // The same sentence again changes nothing.
        nav->pdop = 9.0;
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1")));
        QCOMPARE(nav->pdop, 9.0);

        // A missing VDOP reads as 0.
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPGSA,A,3,04,05,09,12,,,,,,,,,2.6,1.4,")));
        QCOMPARE(nav->pdop, 2.6);
        QCOMPARE(nav->vdop, 0.0);
    }

    void gsaOtherFixes()
    {
        GpsNavDialog* nav = window->gpsNavDialog;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPGSA,M,2,04,05,09,,,,,,,,,,2.5,1.3,2.1")));
        QCOMPARE(StatusText(), QStringLiteral("2-D Fix (M)"));
        QCOMPARE(nav->GetNavMode(), 2);
        QCOMPARE(nav->pdop, 0.0);
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPGSA,A,1,,,,,,,,,,,,,,,")));
        QCOMPARE(StatusText(), QStringLiteral("No Fix"));
        QCOMPARE(nav->GetNavMode(), 1);
        // Three-digit satellite numbers read like the others.
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSA,A,3,193,120,,,,,,,,,,,1.9,1.0,1.6")));
        QCOMPARE(nav->GetNavMode(), 3);
    }

    void gsaWithTooFewFieldsChangesNothing()
    {
        window->ui->IDC_SATS_STATUS_MESSAGE->setText(QStringLiteral("before"));
        for (const char* text : {"$GPGSA,A,3,04", "$GPGSA", "$GPGSA,A,3,04,05,09,12,24,,,,,,,,2.5,x,2.1",
                                 "$GPGSAx,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"}) {
            QVERIFY2(!window->DecodeNmeaSentence(NmeaTestWindow::Sentence(text)), text);
            QCOMPARE(StatusText(), QStringLiteral("before"));
            QCOMPARE(window->gpsNavDialog->GetNavMode(), 0);
        }
    }

    void gsvGroupFillsTheTable()
    {
        window->satellites[12].prn = 99;  // from an earlier group
        window->satelliteDisplayTable[0].prn = 99;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kGroupStart)));
        QCOMPARE(window->satellites[12].prn, 0);
        QCOMPARE(window->satelliteDisplayTable[0].prn, 0);  // cleared, not yet refreshed
        const int prns[4] = {3, 4, 6, 13};
        for (int k = 0; k < 4; ++k) {
            const SatelliteRecord& sat = window->satellites[k];
            QCOMPARE(sat.prn, prns[k]);
            QCOMPARE(sat.signalLevel, 0);
            QVERIFY(!sat.bTracked);
            QCOMPARE(int(sat.channelState), 9);
            QCOMPARE(int(sat.statusFlags), 0);
        }
        QCOMPARE(window->satellites[0].elevation, 3);
        QCOMPARE(window->satellites[0].azimuth, 111);

        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kGroupEnd)));
        const SatelliteRecord& sat22 = window->satellites[8];
        QCOMPARE(sat22.prn, 22);
        QCOMPARE(sat22.signalLevel, 25);
        QVERIFY(sat22.bTracked);
        QCOMPARE(int(sat22.channelState), 8);
        QCOMPARE(uint8_t(sat22.statusFlags), uint8_t(0x81));
        QCOMPARE(window->satellites[9].signalLevel, 26);
        QCOMPARE(window->satellites[10].prn, 27);
        QCOMPARE(window->satellites[10].signalLevel, 0);
        QCOMPARE(window->satellites[11].prn, 0);  // the count is 3: nothing made up
        QVERIFY(DisplayHas(22));
        QVERIFY(DisplayHas(3));
    }

    void signalLevelsOfAMotorolaReceiver()
    {
        receiverInfo.receiverModel = 3;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kGroupEnd)));
        QCOMPARE(window->satellites[8].signalLevel, 22);
        QCOMPARE(window->satellites[9].signalLevel, 23);
        QCOMPARE(window->satellites[10].signalLevel, 0);
    }

    void largeGroupsStopAtSixteenSlots()
    {
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSV,5,4,20,40,10,100,30,41,10,100,31,42,10,100,32,43,10,100,33")));
        QCOMPARE(window->satellites[12].prn, 40);
        QCOMPARE(window->satellites[15].prn, 43);
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSV,5,5,20,44,10,100,30,45,10,100,31,46,10,100,32,47,10,100,33")));
        for (int slot = 16; slot < 256; ++slot)
            QCOMPARE(window->satellites[slot].prn, 0);
        // Message number 0 or one far beyond the group stores nothing.
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPGSV,9,0,20,48,10,100,30")));
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSV,9,2147483647,2147483647,49,10,100,30")));
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSV,9,-2147483647,-2147483648,50,10,100,30")));
        for (const SatelliteRecord& sat : window->satellites)
            QVERIFY(sat.prn < 48 || sat.prn > 50);
    }

    void threeDigitSatelliteNumbers()
    {
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSV,1,1,04,193,45,120,40,301,30,200,35,120,20,100,38,05,10,045,")));
        QCOMPARE(window->satellites[0].prn, 193);
        QCOMPARE(window->satellites[0].signalLevel, 23);
        QCOMPARE(window->satellites[1].prn, 0);  // beyond the tables' numbering
        QCOMPARE(window->satellites[2].prn, 120);
        QCOMPARE(window->satellites[2].azimuth, 100);
        QCOMPARE(window->satellites[3].prn, 5);
        QVERIFY(!window->satellites[3].bTracked);
        QVERIFY(DisplayHas(193));
        QVERIFY(!DisplayHas(301));
    }

    void onlyTheBlocksSentAreStored()
    {
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGSV,1,1,04,05,10,100,40,06,20,200,41")));
        QCOMPARE(window->satellites[0].prn, 5);
        QCOMPARE(window->satellites[1].prn, 6);
        QCOMPARE(window->satellites[2].prn, 0);
        QCOMPARE(window->satellites[3].prn, 0);
        // No satellites in view: an empty table.
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPGSV,1,1,00")));
        QCOMPARE(window->satellites[0].prn, 0);
    }

    void brokenSentencesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::newRow("block ends after the azimuth") << QByteArray("$GPGSV,1,1,01,05,10,100");
        QTest::newRow("letters in a block") << QByteArray("$GPGSV,1,1,02,05,10,1x0,40,06,20,200,41");
        QTest::newRow("header too short") << QByteArray("$GPGSV,1,1");
        QTest::newRow("letters in the header") << QByteArray("$GPGSV,1,a,01,05,10,100,40");
        QTest::newRow("no fields") << QByteArray("$GPGSV");
    }

    void brokenSentencesChangeNothing()
    {
        QFETCH(QByteArray, sentence);
        window->satellites[0].prn = 77;
        QVERIFY(!window->DecodeNmeaSentence(NmeaTestWindow::Sentence(sentence)));
        QCOMPARE(window->satellites[0].prn, 77);
    }

    void repeatedGsvChangesNothing()
    {
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kGroupStart)));
        window->satellites[0].prn = 77;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kGroupStart)));
        QCOMPARE(window->satellites[0].prn, 77);
    }

private:
    QString StatusText() const { return window->ui->IDC_SATS_STATUS_MESSAGE->text(); }

    bool DisplayHas(int prn) const
    {
        for (const SatelliteRecord& sat : window->satelliteDisplayTable) {
            if (sat.prn == prn)
                return true;
        }
        return false;
    }

    MainWindow* window = nullptr;
};

HORALUX_TEST(TestNmeaSatellites);
#include "tst_nmeasatellites.moc"
