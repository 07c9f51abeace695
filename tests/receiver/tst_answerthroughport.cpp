#include "mainwindow.h"
#include "receiverinfo.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QSerialPort>
#include <QSettings>
#include <QTest>
#include <QTimer>

// A command answered by a receiver on the other end of a pseudo-terminal: the answer
// goes through the port object, its framer and the dispatch before the wait sees it.
class TestAnswerThroughPort : public QObject
{
    Q_OBJECT

private slots:
    void loranAnswerEndsTheWait()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        TestSupport::ClearSettings();
        QSettings().setValue("GpsPortDialog/GPS Serial Port", pair.ProgramEnd());
        QSettings().setValue("GpsPortDialog/GPS Serial Port PPS Interface", 0);
        MainWindow window;
        QVERIFY(window.gpsPortThread.Port().isOpen());
        window.answerWaitStepMs = 100;
        window.commandPauseMs = 0;
        window.bGpsSearchActive = true;  // as during the receiver search
        receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;

        QSerialPort rx;
        rx.setPortName(pair.ReceiverEnd());
        QVERIFY(rx.open(QIODevice::ReadWrite));
        QByteArray heard;
        connect(&rx, &QSerialPort::readyRead, &rx, [&] {
            heard += rx.readAll();
            if (heard.endsWith("\r\n")) {
                rx.write("NOISE WITH BLANKS\r\nT1 OK\r\nVERSION12\r\n");
                rx.flush();
            }
        });
        QVERIFY(window.SendCommandAndWait("T1"));
        QCOMPARE(heard, QByteArray("T1\r\n"));

        // No answer: the time-out, and its finding in the ID window.
        rx.close();
        QVERIFY(!window.SendCommandAndWait("T2"));
        QVERIFY(window.bGpsSearchActive);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
    }
};

HORALUX_TEST(TestAnswerThroughPort);
#include "tst_answerthroughport.moc"
