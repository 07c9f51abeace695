// The Garmin sentences and the probe answers: texts for the receiver-identification
// window and the configuration log, the duplicate filters and the answer flags.

#include "decodetests.h"

namespace {

// What one sentence left behind: the window's text (its separator dropped), the
// configuration log and the three answer flags of the probes.
QString Effects(const MainWindow& w)
{
    QString window = w.gpsRxIdDialog->rxIdText;
    window.remove(w.gpsRxIdDialog->rxIdSeparator);
    return window + QStringLiteral("|") + w.configurationBuffer +
           QString::asprintf("|%d%d%d", w.bAnswerReceived[MainWindow::AnswerPgrm],
                             w.bAnswerReceived[MainWindow::AnswerGpalm], w.bAnswerReceived[MainWindow::AnswerPmotg]);
}

}  // namespace

class TestNmeaGarmin : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        w = NewDecodingWindow(GpsPortModeGenericNmea);
        std::fill(std::begin(w->bAnswerReceived), std::end(w->bAnswerReceived), false);
    }
    void cleanup() { w.reset(); }

    void sentences_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::addColumn<QString>("effects");
        QTest::newRow("PGRMT") << Sentence("$PGRMT,GPS 15x-W software ver. 3.70,,,R,R,,,33")
                               << "GPS 15x-W software ver. 3.70\nROM checksum test (P=pass, F=fail) = \n"
                                  "Receiver failure? (P=pass, F=fail) = \nStored Data (L=lost, R=retained) = R\n"
                                  "Real time clock (L=lost, R=retained) = R\nOscillator drift (P=pass, F=fail) = \n"
                                  "Data collection (C = collecting) = \nBoard temperature (degrees C) = 33\n||100";
        const QString init = QStringLiteral("$PRGMI Initialization Message:\n");
        QTest::newRow("PGRMI") << Sentence("$PGRMI,5333.7953,N,11326.3726,W,280109,203540,R")
                               << init + "Latitude = 53 deg  33.7953 min N\nLongitude = 113 deg  26.3726 min W\n"
                                         "Day = 28, Month = 01, Year = 09\nHour = 20, Minute = 35, Second = 40\n"
                                         "Acq Reset = R\n|  Acq Reset = R\n|100";
        QTest::newRow("PGRMI empty") << QByteArray("$PGRMI,,,,,,,")
                                     << init + "Latitude = 00 deg  00.0000 min\nLongitude = 000 deg  00.0000 min\n"
                                               "Day = 00, Month = 00, Year = 00\nHour = 00, Minute = 00, Second = 00\n"
                                               "Acq Reset = 000000\n|  Acq Reset = 000000\n|100";
        QTest::newRow("PGRMC") << Sentence("$PGRMC,A,218.8,100,6378137.000,298.257223563,0.0,0.0,0.0,A,3,1,1")
                               << "$PGRMC Configuration Message:\nFix Mode = A\nAltitude (MSL) = 218.8 meters\n"
                                  "Earth Datum Index = 100\nSemi-major axis = 6378137.000 meters\n"
                                  "Inverse Flattening factor = 298.257223563\nDelta-X = 0.0\nDelta-Y = 0.0\n"
                                  "Delta-Z = 0.0\nDifferential Mode = A\nBaud Rate = 3\nVelocity Filter = 1\n"
                                  "Null field = 1\n|  Null field = 1\n|100";
        QTest::newRow("PGRMO no fields") << QByteArray("$PGRMO")
                                         << "$PGRMO: Target Sentence = NONE,   Mode =\n"
                                            "|$PGRMO: Target Sentence = NONE,   Mode = \n|100";
        QTest::newRow("PMOTG") << Sentence("$PMOTG,FOR,0") << "||001";
        QTest::newRow("GPALM") << Sentence("$GPALM,1,1,15,1159,00,441d,4e,16be,fd5e,a10c9f,4a2da4,686e81,58cbe1,0a4,001")
                               << "||010";
        // Other Garmin ids are unknown, and leave nothing behind.
        for (const char* text : {"$PGRME,15.0,M,45.0,M,25.0,M", "$PGRMV,0,0,0", "$PGRM", "$pgrmt,x"})
            QTest::newRow(text) << QByteArray(text) << "||000";
    }
    void sentences()
    {
        QFETCH(QByteArray, sentence);
        QFETCH(QString, effects);
        QCOMPARE(w->DecodeNmeaSentence(sentence), effects != QLatin1String("||000"));
        QCOMPARE(Effects(*w), effects);
    }

    // A repeat changes nothing, one character more is a new sentence, the other ids keep
    // their own filters, probe answers have none; without the identification window the
    // log still gets its text.
    void repeatsAndNoWindow()
    {
        const QByteArray config = Sentence("$PGRMC,A,218.8,100,6378137.000,298.257223563,0.0,0.0,0.0,A,3,1,1");
        QVERIFY(w->DecodeNmeaSentence(config));
        const QString once = Effects(*w);
        const MainWindow::AnswerFlag pgrm = MainWindow::AnswerPgrm, gpalm = MainWindow::AnswerGpalm;
        w->bAnswerReceived[pgrm] = false;  // a probe waits again
        QVERIFY(w->DecodeNmeaSentence(config));
        QCOMPARE(Effects(*w), once.left(once.size() - 4) + "|000");
        QVERIFY(w->DecodeNmeaSentence(Sentence("$PGRMC,A,218.9,100,6378137.000,298.257223563,0.0,0.0,0.0,A,3,1,1")));
        QVERIFY(w->bAnswerReceived[pgrm]);
        w->DecodeNmeaSentence("$GPALM,1");
        w->bAnswerReceived[pgrm] = w->bAnswerReceived[gpalm] = false;
        delete w->gpsRxIdDialog;
        w->gpsRxIdDialog = nullptr;
        QVERIFY(w->DecodeNmeaSentence("$PGRMT,x") && w->DecodeNmeaSentence("$PGRMO,GPGGA,1"));
        QVERIFY(w->DecodeNmeaSentence("$GPALM,1"));
        QVERIFY(w->bAnswerReceived[pgrm] && w->bAnswerReceived[gpalm]);
        QVERIFY(w->configurationBuffer.endsWith(QStringLiteral("$PGRMO: Target Sentence = GPGGA,   Mode = 1\n")));
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestNmeaGarmin);
#include "tst_nmeagarmin.moc"
