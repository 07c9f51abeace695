// Self-test results, configuration echoes and the later receivers' extension messages:
// their lines, where each line goes, and what they change in the program.

#include "decodetests.h"
#include "gpsrxdialog.h"
#include "gpsrxiddialog.h"

#include <QLabel>
#include <QSignalSpy>

namespace {

// How far a line travels: shown only, or also into the receiver ID window and the
// configuration log (the text before the tail's "..." and line end).
enum Route { Shown, Recorded, ConfigOnly };

QString Line(const QString& text, int number)
{
    return text.split(QLatin1Char('\n')).value(number);
}

}  // namespace

class TestMotorolaEchoes : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup() { w.reset(); }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("msg");
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("route");
        QTest::addColumn<QString>("configuration");  // for ConfigOnly
        QTest::newRow("Gc") << QByteArray(MotorolaMessage("Gc")) << "@@Gc 1PPS signal output set to OFF" << int(Recorded)
                            << "";
        QTest::newRow("AF, no text") << QByteArray(MotorolaMessage("AF", 5)) << "@@AF ..." << int(Recorded) << "";
        QTest::newRow("A beyond z") << QByteArray("@@A~") << "@@A~ ..." << int(Recorded) << "";
        QTest::newRow("Aw 3") << QByteArray(MotorolaMessage("Aw").U8(4, 3)) << "@@Aw Time Correction Mode ERROR"
                              << int(Recorded) << "";
        QTest::newRow("Aw 7") << QByteArray(MotorolaMessage("Aw").U8(4, 7))
                              << "@@Aw Time Correction Mode Serial port = UTC, 1PPS sync = EPOCH" << int(Recorded) << "";
        QTest::newRow("AA 2") << QByteArray(MotorolaMessage("AA").U8(4, 2)) << "@@AA Current Ephemeris Hold mode  "
                              << int(Recorded) << "";
        QTest::newRow("Ac month 13") << QByteArray(MotorolaMessage("Ac").U8(4, 13).U8(5, 5).U16(6, 2021))
                                     << "Date set to Illegal month 05, 2021 UTC" << int(Recorded) << "";
        QTest::newRow("Ab") << QByteArray(MotorolaMessage("Ab").U8(4, 1).U8(5, 5).U8(6, 30))
                            << "@@Ab GMT Correction set to -05:30" << int(Recorded) << "";
        QTest::newRow("Am") << QByteArray(MotorolaMessage("Am").U32(5, 0x80000001))
                            << "@@Am Satellite Ignore List Mask = 0x80000001" << int(Recorded) << "";
        QTest::newRow("AC") << QByteArray(MotorolaMessage("AC").U16(4, 125))
                            << "@@AC Current 2-D to 0-D DOP Threshold is 12.500000" << int(Recorded) << "";
        QTest::newRow("As") << QByteArray(MotorolaMessage("As").S32(4, -3600000).S32(8, 1800000).S32(12, 12345))
                            << "@@As Position-Hold set to  -1.00000000, 0.50000000, 123.45" << int(Recorded) << "";
        QTest::newRow("Gf 3") << QByteArray(MotorolaMessage("Gf").U16(4, 3)) << "@@Gf TRAIM Alarm Limit set to 300"
                              << int(Recorded) << "";
        QTest::newRow("Gk") << QByteArray(MotorolaMessage("Gk").Text(4, "ABCDEF")) << "@@Gk Tag = ABCDEF"
                            << int(Recorded) << "";
        QTest::newRow("Cg 1") << QByteArray(MotorolaMessage("Cg").U8(4, 1))
                              << "@@Cg Receiver Mode POSITION FIX (i.e., not IDLE)" << int(Recorded) << "";
        QTest::newRow("Cf") << QByteArray(MotorolaMessage("Cf")) << "@@Cf Receiver Set to Default Values"
                            << int(ConfigOnly) << "@@Cf Receiver Set to Default Values";
        QTest::newRow("Ce") << QByteArray(MotorolaMessage("Ce").U24(4, 15).U8(7, 3).U24(8, 250).U24(11, 1545))
                            << "@@Ce Pseudorange Correction: 1.5 [3, 2.50, 1.545, 9], [0, 0.00, 0.000, 0], "
                               "[0, 0.00, 0.000, 0], [0, 0.00, 0.000, 0], [0, 0.00, 0.000, 0], [0, 0.00, 0.000, 0]"
                            << int(ConfigOnly)
                            << "@@CePseudorange Correction: 1.5 [3, 2.50, 1.545, 9], [0, 0.00, 0.000, 0], "
                               "[0, 0.00, 0.000, 0], [0, 0.00, 0.000, 0], [0, 0.00, 0.000, 0], [0, 0.00, 0.000, 0]";
        QTest::newRow("Cb") << QByteArray(MotorolaMessage("Cb").U8(4, 4).U8(5, 7).U24(6, 0x0102AB).U24(27, 0xFFFFFF))
                            << "@@Cb SF 4 PG 07 DATA: 0102AB 000000 000000 000000 000000 000000 000000 FFFFFF"
                            << int(Shown) << "";
        QTest::newRow("Ck") << QByteArray(MotorolaMessage("Ck")) << "@@Ck: incoming DGPS" << int(Shown) << "";
        QTest::newRow("Sx") << QByteArray(MotorolaMessage("Sx").U8(4, 0x81)) << "@@Sx GNSS Receiver Type is GPS + SBAS"
                            << int(Shown) << "";
        QTest::newRow("St 0") << QByteArray(MotorolaMessage("St"))
                              << "@@St GNSS Receiver Date/Time/PPS Alignment is UNKNOWN (illegal value)" << int(Shown)
                              << "";
        QTest::newRow("Sp") << QByteArray(MotorolaMessage("Sp").U8(4, 0xFE))
                            << "@@Sp GNSS Receiver current number of leap seconds = -2" << int(Shown) << "";
        QTest::newRow("Wb") << QByteArray(MotorolaMessage("Wb").U8(4, 0x12).U8(5, 0xAB)) << "@@Wb 12AB" << int(Shown)
                            << "";
        QTest::newRow("Wo") << QByteArray(MotorolaMessage("Wo").U16(4, 300)) << "@@Wo D/A value = 300 (0x12C)"
                            << int(Shown) << "";
        QTest::newRow("Wq") << QByteArray(MotorolaMessage("Wq", 19).Text(4, "ABCDEFGHIJKLMNO")) << "@@Wq ABCDEFGHIJKLMNO"
                            << int(Shown) << "";
        QTest::newRow("Tm") << QByteArray(MotorolaMessage("Tm")) << "@@Tm ..." << int(Shown) << "";
        QTest::newRow("Tk") << QByteArray(MotorolaMessage("Tk").Text(4, "HELLO").U8(59, 0xA).U8(61, 0xFF))
                            << "@@Tk HELLO" + QString(50, QChar(0)) + "<0A><00><FF>" << int(Shown) << "";
        QTest::newRow("Ir") << QByteArray(MotorolaMessage("Ir")) << "@@Ir Oscillator Learning Table Input Acknowledged."
                            << int(Shown) << "";
        QByteArray eq = MotorolaMessage("Eq");
        eq.replace(4, 89, "FW \xE9t\xE9" + QByteArray(83, '.'));
        QTest::newRow("Eq") << eq << "@@Eq FW \u00E9t\u00E9" + QString(83, QLatin1Char('.')) << int(Shown) << "";
    }

    void lines()
    {
        QFETCH(QByteArray, msg);
        QFETCH(QString, display);
        QFETCH(int, route);
        QFETCH(QString, configuration);
        const QString idBefore = w->gpsRxIdDialog->rxIdText;
        w->configurationBuffer.clear();
        QCOMPARE(w->DecodeMotorolaBinary(msg), display + "\n");
        // What the window and the log receive is the line before the tail completed it.
        const QString recorded = display.endsWith(" ...") ? display.chopped(3) : display;
        QCOMPARE(w->configurationBuffer, route == Recorded     ? recorded
                                         : route == ConfigOnly ? configuration
                                                               : QString());
        QCOMPARE(w->gpsRxIdDialog->rxIdText == idBefore, route != Recorded);
    }

    // The echoes that move values into the program.
    void valuesTaken()
    {
        w->DecodeMotorolaBinary(MotorolaMessage("Ay").U32(4, 1500));
        QCOMPARE(w->displayTime.PpsOffsetNs(), 1500u);
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Ax").U16(4, 20)),
                 QStringLiteral("@@Ax Epoch offset set to 20 msec\n"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Az").U32(4, 4294967295u)),
                 QStringLiteral("@@Az 1pps cable delay set to 4294967295 nanoseconds\n"));
        // The clock refresh that follows a time message keeps them.
        w->DecodeMotorolaBinary(MotorolaMessage("Ha").DateTime(2021, 6, 1, 12, 0, 0));
        w->UpdateClockDisplay();
        QCOMPARE(w->displayTime.ToUtcString("hh:mm:ss"), QStringLiteral("12:00:01"));
        QCOMPARE(w->displayTime.PpsOffsetNs(), 1500u);
        QCOMPARE(w->displayTime.EpochOffsetMs(), 20);

        w->DecodeMotorolaBinary(MotorolaMessage("Ck"));
        QCOMPARE(w->dgpsState, 1);
        w->DecodeMotorolaBinary(MotorolaMessage("Ce"));
        w->DecodeMotorolaBinary(MotorolaMessage("Wb"));
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerBh] && w->bAnswerReceived[MainWindow::AnswerWb]);
    }

    // "@@Sc" replaces and saves the constellation choice, also with nothing chosen.
    void constellationsSaved()
    {
        const struct { unsigned mask; const char* names; const char* flags; } rows[] = {
            {0x03, "GPS & GLONASS", "110000"},
            {0x20, "other #1", "000000"},
            {0x9C, "Galileo & Beidou & QZSS & SBAS", "001111"},
            {0x00, "NONE (illegal)", "000000"},
        };
        for (const auto& row : rows) {
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Sc").U8(4, row.mask)),
                     QStringLiteral("@@Sc GNSS Constellation Mode is ") + row.names + "\n");
            QSettings settings;
            QString saved;
            for (const char* key : {"Gps", "Glonass", "Galileo", "Beidou", "Qzss", "Sbas"})
                saved += settings.value(QStringLiteral("GpsRxDialog/Sat ") + key).toBool() ? '1' : '0';
            QCOMPARE(saved, QLatin1String(row.flags));
        }
    }

    void selfTests_data()
    {
        QTest::addColumn<QByteArray>("msg");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("fails");  // the lines that say FAIL, by number
        QTest::addColumn<int>("antenna");    // -1: unchanged
        QTest::newRow("Fa first layout") << QByteArray(MotorolaMessage("Fa")) << 10 << 16
                                         << "@@Fa RTC Comm & Time: PASS" << "" << -1;
        QTest::newRow("Fa second layout") << QByteArray(MotorolaMessage("Fa")) << 4 << 15
                                          << "@@Fa Antenna Undercurrent: PASS" << "" << 0;
        QTest::newRow("Fa antenna") << QByteArray(MotorolaMessage("Fa").U8(4, 0xC0)) << 4 << 15
                                    << "@@Fa Antenna Undercurrent: FAIL" << "0 1" << 3;
        QTest::newRow("Fa bit 11, second") << QByteArray(MotorolaMessage("Fa").U16(4, 0x0800)) << 0 << 15
                                           << "@@Fa Antenna Undercurrent: PASS" << "" << 0;
        QTest::newRow("Fa bit 11, first") << QByteArray(MotorolaMessage("Fa").U16(4, 0x0800)) << 24 << 16
                                          << "@@Fa RTC Comm & Time: PASS" << "4" << -1;
        QTest::newRow("Ia") << QByteArray(MotorolaMessage("Ia").U24(4, 0x800001)) << 3 << 21
                            << "@@Ia Antenna Sense: UC" << "20" << -1;
        QTest::newRow("Ca") << QByteArray(MotorolaMessage("Ca").U16(4, 0xC000)) << 6 << 14
                            << "@@Fa RTC Comm & Time: PASS" << "" << -1;
        QTest::newRow("Ca channel 6") << QByteArray(MotorolaMessage("Ca").U16(4, 0x0020)) << 6 << 14
                                      << "@@Fa RTC Comm & Time: PASS" << "8" << -1;
    }

    // Each result is one PASS/FAIL line per tested part, recorded, and followed by one
    // command back to position fixing, except in the receive-only mode.
    void selfTests()
    {
        QFETCH(QByteArray, msg);
        QFETCH(int, model);
        QFETCH(int, lines);
        QFETCH(QString, first);
        QFETCH(QString, fails);
        QFETCH(int, antenna);
        receiverInfo.receiverModel = model;
        QSignalSpy sent(w.get(), &MainWindow::sendGpsMessage);
        const QString text = w->DecodeMotorolaBinary(msg);
        QCOMPARE(text.count(QLatin1Char('\n')), lines);
        QCOMPARE(Line(text, 0), first);
        QString failing;
        for (int k = 0; k < lines; ++k) {
            const QString line = Line(text, k);
            QVERIFY2(line.endsWith(": PASS") || line.endsWith(": FAIL") || line.contains("Sense"), qPrintable(line));
            if (line.endsWith("FAIL"))
                failing += (failing.isEmpty() ? "" : " ") + QString::number(k);
        }
        QCOMPARE(failing, fails);
        QCOMPARE(w->antennaState, antenna);
        if (antenna == 3)
            QCOMPARE(w->antennaBadge->text(), QStringLiteral("Ant No Pwr"));
        QVERIFY(w->gpsRxIdDialog->rxIdText.contains(Line(text, lines - 1)));
        QCOMPARE(w->configurationBuffer, text.chopped(1));
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.first().first().toByteArray(), QByteArray("@@Cg\x01\x25"));

        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinaryRxOnly;
        QCOMPARE(w->DecodeMotorolaBinary(msg), text);
        QCOMPARE(sent.count(), 1);
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaEchoes);
#include "tst_motorolaechoes.moc"
