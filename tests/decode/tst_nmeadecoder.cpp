#include "gpsnavdialog.h"
#include "mainwindow.h"
#include "nmeatestwindow.h"
#include "testsupport.h"

#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTest>

namespace {

// One of every sentence the decoder reads, as real receivers send them.
const char* const kSamples[] = {
    "$GPZDA,113258.00,18,10,2022,00,00",
    "$GPRMC,113258,A,3238.9148,N,10822.4466,W,005.3,247.1,181022,009.3,E",
    "$GPGGA,113258,3238.9148,N,10822.4466,W,2,08,1.1,1577.4,M,-24.6,M,,",
    "$GPGSA,A,3,02,05,11,12,18,20,25,29,,,,,1.4,1.1,0.9",
    "$GPGSV,3,1,11,02,60,319,36,05,77,132,38,11,29,052,29,12,46,186,46",
    "$GPGLL,5155.55442,N,00434.65873,E,083723.00,A,A",
    "$GPVTG,,T,,M,0.211,N,0.391,K,A",
};

}  // namespace

// Recognition of sentences, the duplicate filters, and sentences that are not what
// they claim to be.
class TestNmeaDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { window = NmeaTestWindow::Create(); }
    void cleanupTestCase() { delete window; }
    void init() { NmeaTestWindow::Reset(window); }

    void recognisedIds()
    {
        for (const char* text : kSamples)
            QVERIFY2(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(text)), text);
        // Without the checksum too: the framer hands those on as they came.
        NmeaTestWindow::Reset(window);
        for (const char* text : kSamples)
            QVERIFY2(window->DecodeNmeaSentence(text), text);
    }

    void unknownAndShortSentences()
    {
        for (const char* text : {"$", "$GPZD", "$GPTXT,01,01,02,u-blox ag - www.u-blox.com*50",
                                 "$GNGGA,113258,3238.9148,N,10822.4466,W,2,08,1.1,1577.4,M,-24.6,M,,*53",
                                 "$gpzda,113258.00,18,10,2022,00,00", "$PGRMX,1,2", ""})
            QVERIFY2(!window->DecodeNmeaSentence(text), text);
    }

    void recognisedOnlySentencesHaveFilters()
    {
        const QByteArray gll = NmeaTestWindow::Sentence(kSamples[5]);
        QVERIFY(window->DecodeNmeaSentence(gll));
        QCOMPARE(window->lastGllSentence, QString::fromLatin1(gll));
        QVERIFY(window->DecodeNmeaSentence(gll));
        const QByteArray vtg = NmeaTestWindow::Sentence(kSamples[6]);
        QVERIFY(window->DecodeNmeaSentence(vtg));
        QCOMPARE(window->lastVtgSentence, QString::fromLatin1(vtg));
    }

    // A filter holds the last sentence of its id as received; a sentence differing in
    // one character is new.
    void filtersCompareWholeSentences()
    {
        const QByteArray rmc = NmeaTestWindow::Sentence(kSamples[1]);
        QVERIFY(window->DecodeNmeaSentence(rmc));
        window->gpsNavDialog->SetSpeed(0.0);
        QVERIFY(window->DecodeNmeaSentence(rmc));
        QCOMPARE(window->gpsNavDialog->GetSpeed(), 0.0);
        QByteArray other = kSamples[1];
        other.replace("005.3", "005.4");
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(other)));
        QCOMPARE(window->gpsNavDialog->GetSpeed(), 5.4);
        QVERIFY(window->DecodeNmeaSentence(rmc));
        QCOMPARE(window->gpsNavDialog->GetSpeed(), 5.3);
    }

    // Every cut of every sentence, and random damage, decodes without harm: whatever
    // is read stays inside its tables.
    void damagedSentencesAreHarmless()
    {
        // Complaints about damaged fields come by the thousand here: keep them out.
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        for (int mode : {GpsPortModeGenericNmea, GpsPortModeUbloxNmea}) {
            receiverInfo.gpsPortMode = mode;
            for (const char* text : kSamples) {
                const QByteArray whole = NmeaTestWindow::Sentence(text);
                for (qsizetype n = 0; n <= whole.size(); ++n)
                    window->DecodeNmeaSentence(whole.left(n));
            }
        }
        QRandomGenerator random(20221018);
        const QByteArray alphabet = "0123456789,.-+*$ eEnNaAxX";
        for (int round = 0; round < 4000; ++round) {
            QByteArray text = kSamples[random.bounded(int(std::size(kSamples)))];
            const int changes = 1 + random.bounded(6);
            for (int k = 0; k < changes; ++k) {
                const int at = 6 + random.bounded(int(text.size()) - 6);
                if (random.bounded(3) == 0)
                    text.remove(at, 1);
                else
                    text[at] = alphabet.at(random.bounded(int(alphabet.size())));
            }
            window->DecodeNmeaSentence(text);
        }
        QLoggingCategory::setFilterRules(QString());
        for (int slot = 16; slot < 256; ++slot)
            QCOMPARE(window->satellites[slot].prn, 0);
        for (const SatelliteRecord& sat : window->satellites)
            QVERIFY(sat.prn >= 0 && sat.prn <= 255);
        QVERIFY(window->receiverTime.dateTime.isValid());
        QCOMPARE(window->receiverTime.dateTime.timeSpec(), Qt::UTC);
        double lat = 0.0;
        double lon = 0.0;
        double altGps = 0.0;
        double altMsl = 0.0;
        window->gpsNavDialog->GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
        QVERIFY(qAbs(lat) <= 90.0 && qAbs(lon) <= 180.0);
        QVERIFY(qIsFinite(altGps) && qIsFinite(altMsl));
    }

private:
    MainWindow* window = nullptr;
};

HORALUX_TEST(TestNmeaDecoder);
#include "tst_nmeadecoder.moc"
