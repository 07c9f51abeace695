// The averages across a change of receiver: the main window over two pseudo-terminal
// pairs with a receiver on each, at places some 120 km apart, the operator moving from
// one to the other through the port dialog; and one receiver whose cable is pulled.

#include "averagingtests.h"
#include "fakereceiver.h"
#include "gpsnavdialog.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

namespace {

// Tsigma of a receiver with error terms of 10 and 100 ns, six satellites, 3D.
const double kSixSatelliteTsigma = std::sqrt((10.0 * 10.0 + 100.0 * 100.0) / 0.625);

// A generic NMEA receiver that talks ten "seconds" a second: the time and date, its fix
// (wandering 0.0001 degrees north and south of its place, six satellites used) and a
// fix-mode sentence that never changes, as under a still sky.
class NmeaTalker
{
public:
    NmeaTalker(double latitude, double longitude) : lat(latitude), lon(longitude)
    {
        QObject::connect(&timer, &QTimer::timeout, &port, [this] { Talk(); });
    }

    bool Open(const QString& portName)
    {
        port.setPortName(portName);
        if (!port.open(QIODevice::ReadWrite))
            return false;
        timer.start(100);
        return true;
    }
    void Close()
    {
        timer.stop();
        port.close();
    }

    const double lat;
    const double lon;

private:
    void Talk()
    {
        const QByteArray hms = QTime(10, 0).addSecs(seconds % 3600).toString(QStringLiteral("HHmmss")).toLatin1();
        const double wander = seconds % 2 == 0 ? 0.0001 : -0.0001;
        const QByteArray place = Coordinate(lat + wander, 2) + ",N," + Coordinate(lon, 3) + ",E";
        port.write(Sentence("$GPRMC," + hms + ",A," + place + ",000.0,000.0,010724,,"));
        port.write(Sentence("$GPGGA," + hms + "," + place + ",1,06,1.1,402.0,M,47.0,M,,"));
        port.write(Sentence("$GPGSA,A,3,02,05,11,12,18,20,,,,,,,1.4,1.1,0.9"));
        port.flush();
        ++seconds;
    }
    static QByteArray Coordinate(double degrees, int width)
    {
        const int whole = static_cast<int>(degrees);
        return QByteArray::number(whole).rightJustified(width, '0') +
               QByteArray::number((degrees - whole) * 60.0, 'f', 4).rightJustified(7, '0');
    }
    static QByteArray Sentence(const QByteArray& body)
    {
        QByteArray s = body;
        GpsSerialPortThread::AppendNmeaChecksum(s);
        return s + "\r\n";
    }

    int seconds = 0;
    QSerialPort port;
    QTimer timer;
};

}  // namespace

class TestReceiverChange : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

    // Some hours of a survey, then the change. Another port or mode starts everything
    // again from the new receiver's first fix, and it averages from there; the same port
    // and mode back after a loss keep the survey.
    void averagesAcrossAChange_data()
    {
        // The mode the first receiver is started in: a Motorola one on its own, else an
        // NMEA receiver 120 km south.
        QTest::addColumn<QString>("startMode");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("restarted");
        // The failed search on the way hears the new receiver in the Motorola NMEA mode.
        QTest::newRow("Motorola set up, failed search, NMEA elsewhere") << "Motorola Binary" << "search" << true;
        // Both receivers see the same sky, and their fix-mode sentences are word for word.
        QTest::newRow("NMEA to NMEA elsewhere") << "Generic NMEA" << "port" << true;
        QTest::newRow("same port and mode after a loss") << "Generic NMEA" << "loss" << false;
        // The port was opened in "Search"; the dialog shows the mode found.
        QTest::newRow("OK, nothing changed, after a search") << "Search" << "nothing" << false;
    }

    void averagesAcrossAChange()
    {
        QFETCH(QString, startMode);
        const bool motorolaFirst = startMode != "Generic NMEA";
        QFETCH(QString, change);
        QFETCH(bool, restarted);
        SocatPair firstPair;
        SocatPair secondPair;
        START_SOCAT_OR_SKIP(firstPair);
        START_SOCAT_OR_SKIP(secondPair);
        UseProgramEndAsReceiverPort(firstPair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", startMode);
        // As the dialog's defaults have it: only the change itself may restart the averages.
        Store("Restart Averages On Unlock", false);
        receiverInfo = ReceiverInfo();
        FakeReceiver motorola(FakeReceiver::Kind::Motorola12, 9600, FakeReceiver::Protocol::MotorolaBinary);
        NmeaTalker south(48.3, 13.1);
        NmeaTalker north(49.4, 13.1);
        if (motorolaFirst) {
            QVERIFY(motorola.Open(firstPair.ReceiverEnd()));
            motorola.StartLiveData();
        } else {
            QVERIFY(south.Open(firstPair.ReceiverEnd()));
        }
        QVERIFY(north.Open(secondPair.ReceiverEnd()));

        ModalWatcher watcher(QMessageBox::Ok);
        MainWindow w;
        w.answerWaitStepMs = 250;
        w.commandPauseMs = 2;
        w.gpsPortThread.reopenIntervalMs = 100;
        w.ShowAndInitialize();
        GpsNavDialog& nav = *w.gpsNavDialog;
        QVERIFY(TestSupport::WaitFor([&] { return nav.bAverageHeld && nav.timingFilterCount > 3; }, 8000));
        // The survey so far: long counts and a Tsigma no receiver here gives.
        const double surveyLat = nav.averagedLat;
        nav.positionFilterCount = nav.altitudeFilterCount = nav.rmsFilterCount = nav.timingFilterCount = 5000.0;
        nav.tsigmaMin = 50.0;

        const auto portDialog = [&](const QString& port, const QString& mode) {
            watcher.SetDialogHandler([port, mode](QDialog* dialog) {
                if (!port.isEmpty())
                    dialog->findChild<QComboBox*>("GpsSerialPortNameList")->setCurrentText(port);
                dialog->findChild<QComboBox*>("GpsModeList")->setCurrentText(mode);
                dialog->findChild<QAbstractButton*>("OK")->click();
            });
            // The menu command is off while a set-up runs.
            QVERIFY(TestSupport::WaitFor([&w] { return w.ui->actionSet_GPS_Receiver_Interface->isEnabled(); }));
            w.ui->actionSet_GPS_Receiver_Interface->trigger();
        };
        if (change == "search") {
            portDialog(secondPair.ProgramEnd(), "Motorola Binary");
            QCOMPARE(w.statusMessageLabel->text(), QStringLiteral("ERROR: Motorola GPS Receiver Not Found"));
            portDialog(QString(), "Generic NMEA");
        } else if (change == "port") {
            portDialog(secondPair.ProgramEnd(), "Generic NMEA");
        } else if (change == "nothing") {
            QCOMPARE(w.statusMessageLabel->text(), QStringLiteral("Motorola M12, Bin, 12 ch, V1.3, TRAIM"));
            portDialog(QString(), "Motorola Binary");
        } else {
            south.Close();
            firstPair.Kill();
            QVERIFY(TestSupport::WaitFor([&w] { return !w.gpsPortThread.Port().isOpen(); }));
            QVERIFY(firstPair.Start() && south.Open(firstPair.ReceiverEnd()));
        }

        if (!restarted) {
            // The survey runs on; the Motorola receiver here reports no fix dimension, so
            // its position filter stands.
            const double timed = nav.timingFilterCount;
            QVERIFY(TestSupport::WaitFor([&] { return nav.timingFilterCount >= timed + 3; }, 10000));
            QVERIFY(std::abs(nav.averagedLat - surveyLat) < 0.00002);
            const double positions = motorolaFirst ? 5000.0 : 5003.0;
            QVERIFY(nav.positionFilterCount >= positions && nav.rmsFilterCount >= positions);
            QCOMPARE(nav.tsigmaMin, 50.0);
            return;
        }
        // Thirty fixes at 0.0001 degrees either side of its place: the restarted average
        // lies at it, and the spread is seen in the error terms.
        const auto averagedThirty = [&] { return nav.positionFilterCount >= 31 && nav.positionFilterCount < 1000; };
        QVERIFY2(TestSupport::WaitFor(averagedThirty, 10000),
                 qPrintable(QStringLiteral("the position filter stands at %1").arg(nav.positionFilterCount)));
        QVERIFY(std::abs(nav.currentLat - north.lat) < 0.00011);
        QVERIFY(std::abs(nav.averagedLat - north.lat) < 0.00002);
        const double spread = nav.errorTerms[AveragingEngine::North][AveragingEngine::AvgCur].rms;
        QVERIFY2(spread > 5.0 && spread < 12.0, qPrintable(QString::number(spread)));
        QVERIFY(nav.timingFilterCount < 1000);
        QCOMPARE(nav.rmsFilterCount, nav.positionFilterCount);
        QVERIFY(std::abs(nav.tsigmaMin - kSixSatelliteTsigma) < 0.01);
        QVERIFY2(nav.timeAccuracyText.startsWith(QStringLiteral("Tsigma 127 nsec (max 127, average ")) &&
                     nav.timeAccuracyText.endsWith(QStringLiteral(", min 127)")),
                 qPrintable(nav.timeAccuracyText));
    }
};

HORALUX_TEST(TestReceiverChange);
#include "tst_receiverchange.moc"
