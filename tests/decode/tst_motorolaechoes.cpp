// Self-test results, configuration echoes and the later receivers' extension messages:
// their lines, where each line goes, and what they change in the program; and the
// identification answer "@@Cj": model and firmware version from its text, what the
// window and the receiver record get, and a real answer through a pseudo-terminal; and
// the dispatch of received messages to the decoder of the mode, with their echo.

#include "decodetests.h"
#include "gpsrawdatadialog.h"
#include "gpsrxdialog.h"
#include "motorolahandlers.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>

namespace {

// How far a line travels: shown only, or also into the receiver ID window and the
// configuration log (the text before the tail's "..." and line end).
enum Route { Shown, Recorded, ConfigOnly };

QString Line(const QString& text, int number)
{
    return text.split(QLatin1Char('\n')).value(number);
}

// An identification text in lines of 26 characters and CR LF from offset 13: maker,
// part number, version, revision, date, then the model line with its field at 161.
QByteArray Identification(const char* maker, const char* model, const char* version, const char* revision)
{
    MotorolaMessage m("Cj");
    m.bytes.replace(4, m.bytes.size() - 4, QByteArray(m.bytes.size() - 4, ' '));
    for (int end = 39; end < m.bytes.size(); end += 28)
        m.Text(end, "\r\n");
    m.Text(4, "\r\n").Text(13, maker).Text(41, "SFTW P/N # 61-G10002A");
    m.Text(69, "SOFTWARE VER # ").Text(84, version).Text(97, "SOFTWARE REV # ").Text(112, revision);
    m.Text(125, "SOFTWARE DATE  JAN 01 2001").Text(153, "MODEL # ").Text(161, model);
    m.Text(181, "HDWR P/N # _____________").Text(209, "SERIAL #   ZZ0000001").Text(265, "OPTIONS LIST    IB");
    return m;
}

// The same text with its model line moved so that "MODEL # " stands at the offset.
QByteArray ModelLineAt(QByteArray text, int offset)
{
    text.replace(153, 8, QByteArray(8, ' '));
    return text.replace(offset, 8, "MODEL # ");
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
        using M = MotorolaMessage;
        const QString ce = "Pseudorange Correction: 1.5 [3, 2.50, 1.545, 9]" +
                           QString(5, 'x').replace("x", ", [0, 0.00, 0.000, 0]");
        QByteArray eq = M("Eq");
        eq.replace(4, 89, "FW \xE9t\xE9" + QByteArray(83, '.'));
        const auto row = [](const char* legend, const QByteArray& msg, const QString& display, Route route = Shown,
                            const QString& configuration = {}) {
            QTest::newRow(legend) << msg << display << int(route) << configuration;
        };
        row("Gc", M("Gc"), "@@Gc 1PPS signal output set to OFF", Recorded);
        row("AF, no text", M("AF", 5), "@@AF ...", Recorded);
        row("A beyond z", "@@A~", "@@A~ ...", Recorded);
        row("Ac month 13", M("Ac").U8(4, 13).U8(5, 5).U16(6, 2021), "Date set to Illegal month 05, 2021 UTC", Recorded);
        row("As", M("As").S32(4, -3600000).S32(8, 1800000).S32(12, 12345),
            "@@As Position-Hold set to  -1.00000000, 0.50000000, 123.45", Recorded);
        row("Cf", M("Cf"), "@@Cf Receiver Set to Default Values", ConfigOnly, "@@Cf Receiver Set to Default Values");
        row("Ce", M("Ce").U24(4, 15).U8(7, 3).U24(8, 250).U24(11, 1545), "@@Ce " + ce, ConfigOnly, "@@Ce" + ce);
        row("Cb", M("Cb").U8(4, 4).U8(5, 7).U24(6, 0x0102AB).U24(27, 0xFFFFFF),
            "@@Cb SF 4 PG 07 DATA: 0102AB 000000 000000 000000 000000 000000 000000 FFFFFF");
        row("Sx", M("Sx").U8(4, 0x81), "@@Sx GNSS Receiver Type is GPS + SBAS");
        row("Wb", M("Wb").U8(4, 0x12).U8(5, 0xAB), "@@Wb 12AB");
        row("Wq", M("Wq", 19).Text(4, "ABCDEFGHIJKLMNO"), "@@Wq ABCDEFGHIJKLMNO");
        row("Eq", eq, "@@Eq FW \u00E9t\u00E9" + QString(83, QLatin1Char('.')));
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
        // The window and the log get the line before the tail completed it.
        const QString recorded = display.endsWith(" ...") ? display.chopped(3) : display;
        const QString logged = route == Recorded ? recorded : route == ConfigOnly ? configuration : QString();
        QCOMPARE(w->configurationBuffer, AsLogged(logged));
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
        using M = MotorolaMessage;
        const char* rtc = "@@Fa RTC Comm & Time: PASS";
        const auto row = [](const char* legend, const QByteArray& msg, int model, int lines, const QString& first,
                            const QString& fails, int antenna) {
            QTest::newRow(legend) << msg << model << lines << first << fails << antenna;
        };
        row("Fa first layout", M("Fa"), 10, 16, rtc, "", -1);
        row("Fa second layout", M("Fa"), 4, 15, "@@Fa Antenna Undercurrent: PASS", "", 0);
        row("Fa antenna", M("Fa").U8(4, 0xC0), 4, 15, "@@Fa Antenna Undercurrent: FAIL", "0 1", 3);
        row("Fa bit 11, second", M("Fa").U16(4, 0x0800), 0, 15, "@@Fa Antenna Undercurrent: PASS", "", 0);
        row("Fa bit 11, first", M("Fa").U16(4, 0x0800), 24, 16, rtc, "4", -1);
        row("Ia", M("Ia").U24(4, 0x800001), 3, 21, "@@Ia Antenna Sense: UC", "20", -1);
        row("Ca", M("Ca").U16(4, 0xC000), 6, 14, rtc, "", -1);
        row("Ca channel 6", M("Ca").U16(4, 0x0020), 6, 14, rtc, "8", -1);
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
            if (Line(text, k).endsWith(": FAIL"))
                failing += (failing.isEmpty() ? "" : " ") + QString::number(k);
        }
        QCOMPARE(failing, fails);
        QCOMPARE(w->antennaState, antenna);
        if (antenna == 3)
            QCOMPARE(w->antennaBadge->text(), QStringLiteral("Ant No Pwr"));
        QVERIFY(w->gpsRxIdDialog->rxIdText.contains(Line(text, lines - 1)));
        QCOMPARE(w->configurationBuffer, AsLogged(text));
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.first().first().toByteArray(), QByteArray("@@Cg\x01\x25"));

        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinaryRxOnly;
        QCOMPARE(w->DecodeMotorolaBinary(msg), text);
        QCOMPARE(sent.count(), 1);
    }

    void modelAndVersion_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("model");  // 0: unchanged
        QTest::addColumn<bool>("bPlus");
        QTest::addColumn<QString>("versionText");
        QTest::addColumn<double>("version");
        const char* moto = "COPYRIGHT 2001 MOTOROLA";
        const char* synergy = "Synergy Systems";
        const double v13 = double(1.3f);  // the receivers' versions are single precision
        QByteArray late = ModelLineAt(Identification(moto, "P1", "2.1", "5"), 173);
        QByteArray lotus = Identification("", "", "", "");
        lotus.replace(26, 7, "i-LOTUS").replace(83, 7, "OEM2.31");
        QByteArray conexant = Identification("", "", "12", "5");
        const auto row = [](const char* legend, const QByteArray& text, int model, bool bPlus,
                            const QString& versionText, double version) {
            QTest::newRow(legend) << text << model << bPlus << versionText << version;
        };
        row("M12", Identification(moto, "P121T11T1X", "1", "3"), 3, false, "1.3", v13);
        row("P2, sixth T", Identification(moto, "P283XT", "1", "3"), 3, false, "1.3", v13);
        row("M12+", Identification(moto, "P283XU", "2.1", "5"), 4, false, "2.1.5", 5.0);
        row("GT", Identification(moto, "R1121N", "1", "3"), 1, false, "1.3", v13);
        row("UT", Identification(moto, "R1121U", "1", "3"), 8, false, "1.3", v13);
        row("UT+", Identification(moto, "R5122U1111", "11", "0"), 9, false, "11.0", 11.0);
        row("SSR-M8T+", Identification(synergy, "SSR-M8T+", "1", "3"), 24, true, "1.3", v13);
        row("SSR-M8T", Identification(synergy, "SSR-M8T", "1", "3"), 24, false, "1.3", v13);
        row("no name found", Identification(moto, "ZZ", "1", "3"), 5, false, "1.3", v13);
        row("model line late, SiRF", late.replace(15, 4, "SiRF"), 5, false, "2.1.5", 0.0);
        row("i-LOTUS", lotus, 20, false, "OEM2.31.", double(2.3f));
        row("CONEXANT", conexant.replace(26, 8, "CONEXANT"), 17, false, "12.5", 12.5);
        row("unknown maker", Identification("ACME", "P1", "1", "3"), 0, false, "", 0.0);
    }

    void modelAndVersion()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, model);
        QFETCH(bool, bPlus);
        QFETCH(QString, versionText);
        QFETCH(double, version);
        const MotorolaDecoder::ReceiverIdentity id = MotorolaDecoder::IdentifyFromText(text);
        QCOMPARE(id.bModelKnown ? id.receiverModel : 0, model);
        QCOMPARE(id.bPlusVariant, bPlus);
        QCOMPARE(id.firmwareVersionText, versionText);
        QCOMPARE(id.firmwareVersion, version);
    }

    // The window shows the whole text and the record takes model and version; a short
    // answer only answers the waiting command, and reads nothing past its end.
    void intoTheWindowAndTheRecord()
    {
        const QByteArray text = Identification("COPYRIGHT 2001 MOTOROLA", "R5122U1111", "11", "0");
        receiverInfo.bPlusVariant = true;
        QCOMPARE(w->DecodeMotorolaBinary(text), QString::fromUtf8(text) + "\n");
        QCOMPARE(receiverInfo.receiverModel, 9);
        QCOMPARE(receiverInfo.firmwareVersionText, QStringLiteral("11.0"));
        QVERIFY(!receiverInfo.bPlusVariant);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerCj]);
        QVERIFY(!w->ui->actionSend_new_firmware_to_GPS_Rx->isEnabled());
        QVERIFY(w->gpsRxIdDialog->rxIdText.contains("\nMODEL # R5122U1111  "));
        QCOMPARE(w->configurationBuffer, AsLogged(QString::fromUtf8(text)));

        const ReceiverInfo before = receiverInfo;
        const QString idText = w->gpsRxIdDialog->rxIdText;
        for (int length = 4; length < 123; ++length) {
            w->bAnswerReceived[MainWindow::AnswerCj] = false;
            QCOMPARE(w->DecodeMotorolaBinary(ExactBuffer(text.left(length)).Bytes()), BareHead("Cj"));
            QVERIFY(w->bAnswerReceived[MainWindow::AnswerCj]);
        }
        QCOMPARE(receiverInfo.receiverModel, before.receiverModel);
        QCOMPARE(w->gpsRxIdDialog->rxIdText, idText);
        // Cut inside the model field.
        w->DecodeMotorolaBinary(ExactBuffer(text.left(165)).Bytes());
        QCOMPARE(receiverInfo.receiverModel, 9);
        QCOMPARE(receiverInfo.firmwareVersionText, QStringLiteral("11.0"));
    }

    void answerThroughAPseudoTerminal()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetReceiverPort(pair.ProgramEnd(), "Motorola Binary");
        MainWindow w;
        QVERIFY(w.gpsPortThread.Port().isOpen());
        w.bGpsSearchActive = false;
        QFile receiver(pair.ReceiverEnd());
        QVERIFY(receiver.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QByteArray frame = Identification("COPYRIGHT 2001 MOTOROLA", "R5122U1111", "11", "0");
        GpsSerialPortThread::AppendMotorolaChecksum(frame);
        w.bAnswerReceived[MainWindow::AnswerCj] = false;
        QCOMPARE(receiver.write(frame + "\r\n"), frame.size() + 2);
        QVERIFY(TestSupport::WaitFor([&] { return w.bAnswerReceived[MainWindow::AnswerCj]; }, 5000));
        QVERIFY(w.gpsRxIdDialog->rxIdText.contains(QStringLiteral("\nMODEL # R5122U1111")));
        QCOMPARE(receiverInfo.receiverModel, 9);
        QCOMPARE(receiverInfo.firmwareVersionText, QStringLiteral("11.0"));
    }

    // Received messages reach the decoder of the interface mode, and their echo the raw
    // data window.
    void echoByMode()
    {
        QPlainTextEdit* textBox = ShowRawData();
        const QByteArray gga = Sentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
        const QByteArray bo = MotorolaMessage("Bo").U8(4, 18);
        const QByteArray ubx = FrameBuilders::Ubx(1, 2, {});
        const struct { int mode; QByteArray message; QString echo; bool bLoranAnswer; } rows[] = {
            {0, "ABC123", "->  ABC123", true},
            {0, "AB C", "?  AB C", false},
            {0, "AB\xC3\xA9", QStringLiteral("?  AB\u00E9"), false},
            {0, "", "->  ", true},
            {1, "$GPGGA,1,2,3", "?  $GPGGA,1,2,3", false},
            {6, gga, "-> " + QString::fromLatin1(gga), false},
            {6, ubx, "?  " + QString::fromUtf8(ubx), false},
            {4, "PGRM", "?  PGRM", false},
            {2, bo, "-> @@Bo - UTC offset = 18 seconds\n", false},
            {3, "@@Ea", "-> @@Ea ...\n", false},
            {2, "@@H", "-> ", false},
            {9, gga, "->  " + QString::fromLatin1(gga), false},
            {10, ubx, "->  UBX-NAV  ...\n", false},
            {5, "ABC", "", false},
            {-1, "ABC", "", false},
        };
        for (const auto& row : rows) {
            textBox->clear();
            w->bAnswerReceived[MainWindow::AnswerLoran] = false;
            receiverInfo.gpsPortMode = row.mode;
            emit w->gpsPortThread.newGpsText(row.message);
            QCOMPARE(textBox->toPlainText(), row.echo);
            QCOMPARE(w->bAnswerReceived[MainWindow::AnswerLoran], row.bLoranAnswer);
        }
    }

    // Nothing is decoded or echoed while the receiver is searched, except inside an
    // answer wait, nor once the window goes away; a hidden window gets no echo.
    void gates()
    {
        QPlainTextEdit* textBox = ShowRawData();
        receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;
        w->bGpsSearchActive = true;
        emit w->gpsPortThread.newGpsText("ABC");
        QVERIFY(!w->bAnswerReceived[MainWindow::AnswerLoran]);
        QTimer::singleShot(5, w.get(), [&] { emit w->gpsPortThread.newGpsText("ABC"); });
        w->answerWaitStepMs = 30;
        w->WaitForReceiverAnswer();
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerLoran]);
        QCOMPARE(textBox->toPlainText(), QStringLiteral("->  ABC"));
        QVERIFY(w->bGpsSearchActive);

        w->bGpsSearchActive = false;
        w->bAnswerReceived[MainWindow::AnswerLoran] = false;
        w->bShuttingDown = true;
        emit w->gpsPortThread.newGpsText("ABC");
        QVERIFY(!w->bAnswerReceived[MainWindow::AnswerLoran]);
        w->bShuttingDown = false;

        textBox->clear();
        w->gpsRawDataDialog->hide();
        emit w->gpsPortThread.newGpsText("OK");
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerLoran]);
        QCOMPARE(textBox->toPlainText(), QString());
    }

private:
    // The raw data window open, its lines exactly as built.
    QPlainTextEdit* ShowRawData()
    {
        w->gpsRawDataDialog->ShowDialog();
        w->gpsRawDataDialog->SetWrapMode(2);
        return w->gpsRawDataDialog->findChild<QPlainTextEdit*>(QStringLiteral("PlainTextEdit"));
    }

    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaEchoes);
#include "tst_motorolaechoes.moc"
