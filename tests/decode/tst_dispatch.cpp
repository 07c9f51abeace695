#include "gpsrawdatadialog.h"
#include "mainwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

namespace {

QByteArray UbxFrame()
{
    QByteArray frame = QByteArray::fromHex("b56201020000");
    GpsSerialPortThread::AppendUbxChecksum(frame);
    return frame;
}

}  // namespace

// Received messages reach the decoder of the interface mode, and their echo the raw
// data window. Until the decoders are in, they take nothing and return empty texts.
class TestDispatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::ClearSettings();
        QTest::ignoreMessage(QtWarningMsg, "WARNING: Failed to open GPS serial port.");
        window = new MainWindow;
        window->gpsRawDataDialog->ShowDialog();
        window->gpsRawDataDialog->SetWrapMode(2);  // lines exactly as built
        textBox = window->gpsRawDataDialog->findChild<QPlainTextEdit*>(QStringLiteral("PlainTextEdit"));
    }

    void cleanupTestCase() { delete window; }

    void init()
    {
        textBox->clear();
        window->bGpsSearchActive = false;
        window->bAnswerReceived[MainWindow::AnswerLoran] = false;
        if (!window->gpsRawDataDialog->isVisible())
            window->gpsRawDataDialog->ShowDialog();
    }

    void echoByMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("echo");  // empty: no line
        QTest::addColumn<bool>("loranAnswer");
        const QByteArray gga("$GPGGA,1,2,3");
        QTest::newRow("LORAN letters and digits") << 0 << QByteArray("ABC123")
                                                  << QStringLiteral("->  ABC123") << true;
        QTest::newRow("LORAN blank") << 0 << QByteArray("AB C") << QStringLiteral("?  AB C") << false;
        QTest::newRow("LORAN high byte") << 0 << QByteArray("AB\xC3\xA9")
                                         << QStringLiteral("?  AB\u00E9") << false;
        QTest::newRow("LORAN empty") << 0 << QByteArray() << QStringLiteral("->  ") << true;
        QTest::newRow("Motorola NMEA sentence") << 1 << gga << QStringLiteral("?  $GPGGA,1,2,3") << false;
        QTest::newRow("generic NMEA, UBX frame") << 6 << UbxFrame()
                                                 << QStringLiteral("?  ") + QString::fromUtf8(UbxFrame())
                                                 << false;
        QTest::newRow("mode 4") << 4 << QByteArray("PGRM") << QStringLiteral("?  PGRM") << false;
        // A message too short for its handler comes back as its bare head.
        QTest::newRow("Motorola binary") << 2 << QByteArray("@@Ha") << QStringLiteral("-> @@Ha ...\n") << false;
        QTest::newRow("Motorola receive only") << 3 << QByteArray("@@Ea") << QStringLiteral("-> @@Ea ...\n")
                                               << false;
        QTest::newRow("UBX, sentence not taken") << 9 << gga << QStringLiteral("?  $GPGGA,1,2,3") << false;
        QTest::newRow("u-blox NMEA, frame") << 10 << UbxFrame()
                                            << QStringLiteral("?  ") + QString::fromUtf8(UbxFrame()) << false;
        QTest::newRow("UBX, empty message") << 9 << QByteArray() << QStringLiteral("?  ") << false;
        for (int mode : {5, 7, 8, 11, -1, 12})
            QTest::newRow(qPrintable(QStringLiteral("mode %1").arg(mode))) << mode << QByteArray("ABC")
                                                                          << QString() << false;
    }

    void echoByMode()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, message);
        QFETCH(QString, echo);
        QFETCH(bool, loranAnswer);
        receiverInfo.gpsPortMode = mode;
        emit window->gpsPortThread.newGpsText(message);
        QCOMPARE(textBox->toPlainText(), echo);
        QCOMPARE(window->bAnswerReceived[MainWindow::AnswerLoran], loranAnswer);
    }

    void gatesDropEverything()
    {
        receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;
        window->bGpsSearchActive = true;
        emit window->gpsPortThread.newGpsText("ABC");
        QVERIFY(!window->bAnswerReceived[MainWindow::AnswerLoran]);
        QCOMPARE(textBox->toPlainText(), QString());

        // Inside an answer wait the same message gets through.
        QTimer::singleShot(5, window, [this] { emit window->gpsPortThread.newGpsText("ABC"); });
        window->answerWaitStepMs = 30;
        window->WaitForReceiverAnswer();
        QVERIFY(window->bAnswerReceived[MainWindow::AnswerLoran]);
        QCOMPARE(textBox->toPlainText(), QStringLiteral("->  ABC"));
        QVERIFY(window->bGpsSearchActive);
    }

    void hiddenWindowStillDecodes()
    {
        receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;
        window->gpsRawDataDialog->hide();
        emit window->gpsPortThread.newGpsText("OK");
        QVERIFY(window->bAnswerReceived[MainWindow::AnswerLoran]);
        QCOMPARE(textBox->toPlainText(), QString());
    }

    // Last: marks the window as going away.
    void nothingOnceShuttingDown()
    {
        receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;
        window->bShuttingDown = true;
        emit window->gpsPortThread.newGpsText("ABC");
        QVERIFY(!window->bAnswerReceived[MainWindow::AnswerLoran]);
        QCOMPARE(textBox->toPlainText(), QString());
        window->bShuttingDown = false;
    }

private:
    MainWindow* window = nullptr;
    QPlainTextEdit* textBox = nullptr;
};

HORALUX_TEST(TestDispatch);
#include "tst_dispatch.moc"
