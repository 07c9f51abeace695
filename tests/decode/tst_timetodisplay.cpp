// How long the operator waits for a new second: from the last byte of a time message
// written to the receiver's pseudo-terminal until the big clock shows the new time.
// Prints the median and the largest delay of each kind of message.

#include "decodetests.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kMessages = 1000;

QByteArray MotorolaHa(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime h = t.time();
    QByteArray msg = MotorolaMessage("Ha").DateTime(d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second());
    GpsSerialPortThread::AppendMotorolaChecksum(msg);
    return msg + "\r\n";
}

QByteArray NmeaZda(const QDateTime& t)
{
    return Sentence("$GPZDA," + t.toString("hhmmss.00,dd,MM,yyyy").toLatin1() + ",00,00") + "\r\n";
}

}  // namespace

class TestTimeToDisplay : public QObject
{
    Q_OBJECT

private slots:
    void newSecondReachesTheBigClock_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("model");
        QTest::addColumn<std::function<QByteArray(const QDateTime&)>>("message");
        QTest::newRow("Motorola @@Ha") << "Motorola Binary Rx Only" << 9
                                       << std::function<QByteArray(const QDateTime&)>(MotorolaHa);
        QTest::newRow("NMEA $GPZDA") << "Generic NMEA" << int(ReceiverModelGenericNmea)
                                     << std::function<QByteArray(const QDateTime&)>(NmeaZda);
    }

    void newSecondReachesTheBigClock()
    {
        QFETCH(QString, mode);
        QFETCH(int, model);
        QFETCH(std::function<QByteArray(const QDateTime&)>, message);

        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetReceiverPort(pair.ProgramEnd(), qPrintable(mode));
        MainWindow w;
        QVERIFY(w.gpsPortThread.Port().isOpen());
        w.InitializeGpsReceiver();
        receiverInfo.receiverModel = model;
        w.bGpsSearchActive = false;
        w.playTickSound = [](QSoundEffect&) {};
        w.show();
        QFile receiver(pair.ReceiverEnd());
        QVERIFY(receiver.open(QIODevice::WriteOnly | QIODevice::Unbuffered));

        const QLabel* clock = w.ui->ClockDisplay;
        QDateTime t(QDate(2024, 3, 1), QTime(12, 0, 0), Qt::UTC);
        std::vector<double> delaysMs;
        QElapsedTimer timer;
        for (int i = 0; i < kMessages; ++i) {
            t = t.addSecs(1);
            const QString before = clock->text();
            const QByteArray bytes = message(t);
            // Everything before the message's last byte first (the line end is not part
            // of it), so the clock starts with the byte that completes the message.
            QCOMPARE(receiver.write(bytes.chopped(3)), bytes.size() - 3);
            QTest::qWait(1);
            QVERIFY(clock->text() == before);
            QCOMPARE(receiver.write(bytes.right(3)), 3);
            timer.start();
            while (clock->text() == before && timer.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            QVERIFY2(clock->text() != before, qPrintable(QStringLiteral("message %1 never shown").arg(i)));
            delaysMs.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(delaysMs.begin(), delaysMs.end());
        const double median = delaysMs[delaysMs.size() / 2];
        qInfo("%s: median %.3f ms, maximum %.3f ms over %d messages", QTest::currentDataTag(), median,
              delaysMs.back(), kMessages);
        QVERIFY2(median < 5.0, qPrintable(QString::number(median)));
    }
};

HORALUX_TEST(TestTimeToDisplay);
#include "tst_timetodisplay.moc"
