// How long the operator waits for a new second: from the last byte of a time message
// written to the receiver's pseudo-terminal until the big clock shows the new time.
// Prints the median and the largest delay of each kind of message.

#include "decodetests.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QElapsedTimer>

#include <vector>

class TestTimeToDisplay : public QObject
{
    Q_OBJECT

private slots:
    void newSecondReachesTheBigClock_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("model");
        QTest::newRow("Motorola @@Ha") << "Motorola Binary Rx Only" << 9;
        QTest::newRow("NMEA $GPZDA") << "Generic NMEA" << int(ReceiverModelGenericNmea);
        QTest::newRow("UBX NAV-TIMEUTC") << "u-blox UBX" << 24;
    }

    void newSecondReachesTheBigClock()
    {
        QFETCH(QString, mode);
        QFETCH(int, model);
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetReceiverPort(pair.ProgramEnd(), qPrintable(mode));
        MainWindow w;
        QVERIFY(w.gpsPortThread.Port().isOpen());
        w.InitializeGpsReceiver();
        receiverInfo.receiverModel = model;
        w.playTickSound = [](QSoundEffect&) {};
        w.show();
        QFile receiver(pair.ReceiverEnd());
        QVERIFY(receiver.open(QIODevice::WriteOnly | QIODevice::Unbuffered));

        const QLabel* clock = w.ui->ClockDisplay;
        QDateTime t(QDate(2024, 3, 1), QTime(12, 0, 0), Qt::UTC);
        std::vector<double> delaysMs;
        QElapsedTimer timer;
        for (int i = 0; i < 1000; ++i) {
            t = t.addSecs(1);
            QByteArray bytes;
            const bool ubx = mode == QLatin1String("u-blox UBX");
            if (ubx) {
                const QDate d = t.date();
                const QTime h = t.time();
                QByteArray payload(20, '\0');
                payload[12] = char(d.year() & 0xFF);
                payload[13] = char(d.year() >> 8);
                const int fields[] = {d.month(), d.day(), h.hour(), h.minute(), h.second(), 0x07};
                for (int k = 0; k < 6; ++k)
                    payload[14 + k] = char(fields[k]);
                bytes = FrameBuilders::Ubx(0x01, 0x21, payload);
            } else if (model == 9) {
                const QDate d = t.date();
                const QTime h = t.time();
                bytes = MotorolaMessage("Ha").DateTime(d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second());
                GpsSerialPortThread::AppendMotorolaChecksum(bytes);
            } else {
                bytes = Sentence("$GPZDA," + t.toString("hhmmss.00,dd,MM,yyyy").toLatin1() + ",00,00");
            }
            // Everything before the message's last byte first (a line end is not part of
            // it), so the clock starts with the byte that completes the message.
            const int held = ubx ? 1 : 3;
            if (!ubx)
                bytes += "\r\n";
            const QString before = clock->text();
            QCOMPARE(receiver.write(bytes.chopped(held)), bytes.size() - held);
            QTest::qWait(1);
            QVERIFY(clock->text() == before);
            QCOMPARE(receiver.write(bytes.right(held)), held);
            timer.start();
            while (clock->text() == before && timer.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            QVERIFY2(clock->text() != before, qPrintable(QStringLiteral("message %1 never shown").arg(i)));
            delaysMs.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(delaysMs.begin(), delaysMs.end());
        const double median = delaysMs[delaysMs.size() / 2];
        qInfo("%s: median %.3f ms, maximum %.3f ms over %zu messages", QTest::currentDataTag(), median,
              delaysMs.back(), delaysMs.size());
        QVERIFY2(median < 5.0, qPrintable(QString::number(median)));
    }
};

HORALUX_TEST(TestTimeToDisplay);
#include "tst_timetodisplay.moc"
