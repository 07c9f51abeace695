// The identification answer "@@Cj": model and firmware version from its text, what the
// window and the receiver record get, and a real answer through a pseudo-terminal.

#include "decodetests.h"
#include "motorolahandlers.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QAction>

namespace {

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

class TestMotorolaIdentify : public QObject
{
    Q_OBJECT

private slots:
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
        auto w = NewDecodingWindow();
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
};

HORALUX_TEST(TestMotorolaIdentify);
#include "tst_motorolaidentify.moc"
