// Received messages reach the decoder of the interface mode, and their echo the raw
// data window.

#include "decodetests.h"
#include "gpsrawdatadialog.h"

#include <QPlainTextEdit>
#include <QTimer>

class TestDispatch : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        w = NewDecodingWindow();
        w->gpsRawDataDialog->ShowDialog();
        w->gpsRawDataDialog->SetWrapMode(2);  // lines exactly as built
        textBox = w->gpsRawDataDialog->findChild<QPlainTextEdit*>(QStringLiteral("PlainTextEdit"));
    }
    void cleanup() { w.reset(); }

    void echoByMode()
    {
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
        receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;
        w->bGpsSearchActive = true;
        emit w->gpsPortThread.newGpsText("ABC");
        QVERIFY(!w->bAnswerReceived[MainWindow::AnswerLoran]);
        QTimer::singleShot(5, w.get(), [this] { emit w->gpsPortThread.newGpsText("ABC"); });
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
    std::unique_ptr<MainWindow> w;
    QPlainTextEdit* textBox = nullptr;
};

HORALUX_TEST(TestDispatch);
#include "tst_dispatch.moc"
