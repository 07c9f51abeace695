// What the status bar says about the receiver link, and what the window does about it:
// the main window over a pseudo-terminal pair whose socat is started late, killed and
// restarted, with a fake receiver that pauses.

#include "apptest.h"
#include "fakereceiver.h"
#include "gpsnavdialog.h"
#include "gpsportdialog.h"
#include "gpsrxtype.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "pctime.h"
#include "socatpair.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace {

using Kind = FakeReceiver::Kind;
using Protocol = FakeReceiver::Protocol;

const QString kSilentSince = QStringLiteral("GPS receiver silent: no data since ");

// The link line as the operator reads it (whole in the tool tip); empty while hidden.
QString LinkText(const MainWindow& w)
{
    return w.receiverLinkLabel->isVisibleTo(&w) ? w.receiverLinkLabel->toolTip() : QString();
}

QString Badges(const MainWindow& w) { return w.navigationBadge->text() + '|' + w.antennaBadge->text(); }

QStringList Titles(const ModalWatcher& watcher)
{
    QStringList titles;
    for (const ModalWatcher::Box& box : watcher.boxes)
        titles << box.title;
    return titles;
}

}  // namespace

class TestReceiverLink : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { PcTime::SetFixedUtc(QDateTime()); }

    // In "Motorola Binary Rx Only" (nothing is asked of the receiver). The lost port was
    // once reported only through a message-box signal the window leaves unconnected.
    void lostPortAndSilentReceiver()
    {
        TestSupport::ClearSettings();
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        receiverInfo = ReceiverInfo();
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary Rx Only");
        FakeReceiver rx(FakeReceiver::Kind::Motorola12, 9600, FakeReceiver::Protocol::MotorolaBinary);
        qint64 steadyMs = 0;
        MainWindow w;
        w.bGpsSearchActive = false;
        w.gpsPortThread.reopenIntervalMs = 100;
        w.receiverLinkWatch.clockMs = [&] { return steadyMs; };
        const auto said = [&] { return LinkText(w); };
        const auto live = [&] { return w.antennaBadge->text() == "Ant OK" && said().isEmpty(); };
        const auto badges = [&w] { return Badges(w); };
        // A receiver never heard is silent since listening began: the first look at the
        // open port starts the count (the test's own look, whenever the timer's comes).
        QVERIFY(TestSupport::WaitFor([&] { return w.gpsPortThread.Port().isOpen(); }, 10000));
        w.CheckReceiverLink();
        steadyMs += 5000;
        QVERIFY(TestSupport::WaitFor([&] { return said() == kSilentSince + "14:05:07 UTC"; }, 10000));
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        rx.StartLiveData();
        QVERIFY(TestSupport::WaitFor(live, 10000));

        QSignalSpy returns(&w.gpsPortThread, &GpsSerialPortThread::portBack);
        pair.Kill();
        const QString lost = QStringLiteral("GPS port lost: %1 (read error), retrying every 0.1 s").arg(pair.ProgramEnd());
        QVERIFY(TestSupport::WaitFor([&] { return said() == lost; }, 10000));
        QVERIFY(badges() == "Nav Unknown|Ant Unknown" && !w.statusMessageLabel->isVisibleTo(&w));
        // Other status texts come and go, retries fail: it stays said.
        w.statusBar()->showMessage(QStringLiteral("Log file x: cannot write"));
        w.statusBar()->clearMessage();
        QTest::qWait(1000);
        QVERIFY(said() == lost && returns.isEmpty());
        QVERIFY(pair.Start());
        const QString back = "GPS port back: " + pair.ProgramEnd();
        QVERIFY(TestSupport::WaitFor([&] { return said() == back && w.gpsPortThread.Port().isOpen(); }, 10000));
        // A silence while the return is still on show is said as the failure it is.
        w.CheckReceiverLink();  // a look starts the count
        steadyMs += w.receiverLinkWatch.silenceLimitMs + 100;
        QVERIFY(TestSupport::WaitFor([&] { return said().startsWith(kSilentSince); }, 10000));
        QVERIFY(!w.receiverLinkWatch.SaysReturn());
        // Lost again while the return is on show: said as the failure it is, and the next
        // opening does not bring the old return back.
        w.OnGpsPortDown(lost);
        QVERIFY(said() == lost && !w.receiverLinkWatch.SaysReturn());
        w.OnGpsPortOpened();
        QCOMPARE(said(), QString());
        rx.Close();
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        steadyMs += w.receiverLinkWatch.returnNote.shownMs;
        QVERIFY(TestSupport::WaitFor(live, 10000));
        QVERIFY(w.statusMessageLabel->isVisibleTo(&w) && returns.count() == 1);

        // Paused just after a message. A search or set-up ends the silence and restarts
        // the count; a silence from the day before says the date.
        QSignalSpy heard(&w.gpsPortThread, &GpsSerialPortThread::newGpsText);
        QVERIFY(heard.wait(10000));
        rx.PauseLiveData(true);
        // Bytes written before the pause may still be on their way: the steady clock moves
        // on at each look until a silence has followed the last of them.
        QVERIFY(TestSupport::WaitFor([&] {
            steadyMs += 1000;
            return said() == kSilentSince + "14:05:07 UTC";
        }, 10000));
        QCOMPARE(badges(), QStringLiteral("Nav Unknown|Ant Unknown"));
        w.bGpsSearchActive = true;
        QVERIFY(TestSupport::WaitFor([&] { return said().isEmpty(); }, 10000));
        w.bGpsSearchActive = false;
        w.CheckReceiverLink();  // the count starts afresh
        QCOMPARE(said(), QString());
        PcTime::SetFixedUtc(Utc(2023, 9, 17));
        steadyMs += 6000;
        QVERIFY(TestSupport::WaitFor([&] { return said() == kSilentSince + "2023-09-16 14:05:07 UTC"; }, 10000));
        rx.PauseLiveData(false);
        QVERIFY(TestSupport::WaitFor(live, 10000));
    }

    // Bytes the interface mode cannot frame: no silence, but the mode or rate is named
    // once no message came for 10 s. A receiver that the mode reads is never said to be
    // misread, however long it talks. Once the bytes stop, the silence dates from the last
    // of them; after a new opening, from the opening.
    void dataTheModeCannotRead_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<bool>("bUnderstood");
        QTest::newRow("Motorola binary in Generic NMEA") << "Generic NMEA" << Kind::Motorola12 << Protocol::MotorolaBinary << false;
        QTest::newRow("NMEA in Motorola Binary Rx Only") << "Motorola Binary Rx Only" << Kind::GenericNmea << Protocol::Nmea << false;
        QTest::newRow("NMEA in Generic NMEA") << "Generic NMEA" << Kind::GenericNmea << Protocol::Nmea << true;
    }

    void dataTheModeCannotRead()
    {
        QFETCH(QString, mode);
        QFETCH(Kind, kind);
        QFETCH(Protocol, protocol);
        QFETCH(bool, bUnderstood);
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7));
        receiverInfo = ReceiverInfo();
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", mode);
        FakeReceiver rx(kind, 9600, protocol);
        qint64 steadyMs = 0;
        MainWindow w;
        receiverInfo.gpsPortMode = GpsPortDialog::ModeFromText(mode);
        w.bGpsSearchActive = false;
        w.receiverLinkWatch.clockMs = [&] { return steadyMs; };
        QSignalSpy bytes(&w.gpsPortThread, &GpsSerialPortThread::bytesReceived);
        QTest::qWait(300);
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 20));
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        rx.StartLiveData();
        const QString notUnderstood = "GPS data not understood: bytes arrive on " + pair.ProgramEnd() + ", but no " +
                                      mode + " message; another interface mode or baud rate?";
        // Each step is shorter than a silence and bytes come in it, until they pause: the
        // steady clock moves on, and the link line reads as said.
        enum Event { Bytes, Pause, Reopen };
        const struct
        {
            Event event;
            QDateTime pcTime;  // from the step on; invalid: as it was
            int advanceMs;
            QString said;
        } steps[] = {{Bytes, {}, 4000, QString()},
                     {Bytes, {}, 4000, QString()},
                     {Bytes, {}, 4000, bUnderstood ? QString() : notUnderstood},
                     {Pause, Utc(2023, 9, 16, 14, 6, 0), 6000, kSilentSince + "14:05:20 UTC"},
                     {Reopen, {}, 6000, kSilentSince + "14:06:00 UTC"}};
        QStringList said;
        QStringList expected;
        for (const auto& step : steps) {
            if (step.event == Bytes) {
                QVERIFY(bytes.wait(10000));
            } else if (step.event == Pause) {
                rx.PauseLiveData(true);
                QTest::qWait(300);  // bytes on their way
            } else {
                QSignalSpy looks(&w.receiverLinkTimer, &QTimer::timeout);
                emit w.startGpsSerialPort(false);
                // A new count begins at the first look after the opening.
                QTRY_VERIFY_WITH_TIMEOUT(!looks.isEmpty(), 10000);
            }
            if (step.pcTime.isValid())
                PcTime::SetFixedUtc(step.pcTime);
            steadyMs += step.advanceMs;
            if (step.said.isEmpty())
                QTest::qWait(3 * ReceiverLinkWatch::kCheckIntervalMs);
            else
                TestSupport::WaitFor([&] { return LinkText(w) == step.said; }, 10000);
            said << LinkText(w);
            expected << step.said;
        }
        QCOMPARE(said, expected);
    }

    // A port that is "OFF", or a stored device path not there at start-up (an adapter
    // unplugged at boot): no search, no box, usable menus, and the text says why. The
    // path is tried until it appears; then the mode's start-up runs.
    void unopenedPortAtStart_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("off");
        QTest::addColumn<QStringList>("boxesOnceOpen");
        QTest::newRow("OFF, Motorola Binary") << "Motorola Binary" << true << QStringList();
        QTest::newRow("missing path, Generic NMEA") << "Generic NMEA" << false << QStringList();
        QTest::newRow("missing path, Motorola Binary, nothing answers")
            << "Motorola Binary" << false << QStringList{"GPS Receiver not found"};
    }

    void unopenedPortAtStart()
    {
        QFETCH(QString, mode);
        QFETCH(bool, off);
        QFETCH(QStringList, boxesOnceOpen);
        receiverInfo = ReceiverInfo();
        SocatPair pair;  // not started yet: its path does not exist
        if (off)
            TestSupport::ClearSettings();
        else
            UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", mode);
        ModalWatcher watcher(QMessageBox::Ok);
        MainWindow w;
        w.answerWaitStepMs = 50;
        w.commandPauseMs = 0;
        QElapsedTimer clock;
        clock.start();
        w.ShowAndInitialize();
        QVERIFY(clock.elapsed() < 1000);
        const QString said = off ? QStringLiteral("GPS port OFF: choose one under Edit, Set GPS Receiver Interface ...")
                                 : "GPS port cannot be opened: " + pair.ProgramEnd() +
                                       " (No such file or directory), retrying every 5 s";
        QCOMPARE(LinkText(w), said);
        QCOMPARE(Titles(watcher), QStringList());
        QVERIFY(w.ui->actionSet_GPS_Receiver_Interface->isEnabled() && !w.bGpsSearchActive);
        if (off)
            return;

        // Asked for again, it keeps its text; the retries go faster from here.
        w.gpsPortThread.reopenIntervalMs = 100;
        emit w.startGpsSerialPort(false);
        QCOMPARE(LinkText(w), said);
        START_SOCAT_OR_SKIP(pair);
        FakeReceiver rx(Kind::GenericNmea, 9600, Protocol::Nmea);
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        rx.StartLiveData();
        QVERIFY(TestSupport::WaitFor([&] { return LinkText(w) == "GPS port back: " + pair.ProgramEnd(); }, 10000));
        if (boxesOnceOpen.isEmpty()) {
            QVERIFY(TestSupport::WaitFor([&] { return qAbs(w.gpsNavDialog->currentLat - (48 + 7.038 / 60)) < 1e-9; }, 10000));
            QCOMPARE(w.statusMessageLabel->text(), QStringLiteral("Generic NMEA GPS Receiver"));
        }
        QVERIFY(TestSupport::WaitFor([&] { return Titles(watcher) == boxesOnceOpen && !w.bGpsSearchActive; }, 10000));
    }

    // The badges say unknown in a silence and show again what they showed with the first
    // sentence after it: in "u-blox NMEA" no decoder sets them.
    void badgesAfterSilence()
    {
        receiverInfo = ReceiverInfo();
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", "u-blox NMEA");
        FakeReceiver rx(Kind::Ublox, 9600, Protocol::Ubx);
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        qint64 steadyMs = 0;
        ModalWatcher watcher(QMessageBox::Ok);
        MainWindow w;
        w.answerWaitStepMs = 250;
        w.commandPauseMs = 2;
        w.receiverLinkWatch.clockMs = [&] { return steadyMs; };
        w.ShowAndInitialize();
        QCOMPARE(w.statusMessageLabel->text(), QStringLiteral("u-blox NMEA Mode"));
        rx.StartLiveData();
        QSignalSpy heard(&w.gpsPortThread, &GpsSerialPortThread::newGpsText);
        QVERIFY(heard.wait(10000));
        const QString before = Badges(w);
        QVERIFY(before.startsWith("Navigating|"));

        rx.PauseLiveData(true);
        QTest::qWait(300);  // a sentence on its way is heard before the count starts
        const struct
        {
            int silenceMs;
            bool bSaid;
        } steps[] = {{4500, false}, {5500, true}};
        for (const auto& step : steps) {
            steadyMs = step.silenceMs;
            QTest::qWait(3 * ReceiverLinkWatch::kCheckIntervalMs);
            QCOMPARE(LinkText(w).startsWith(kSilentSince), step.bSaid);
            QCOMPARE(Badges(w), step.bSaid ? QStringLiteral("Nav Unknown|Ant Unknown") : before);
        }
        rx.PauseLiveData(false);
        QVERIFY(TestSupport::WaitFor([&] { return Badges(w) == before && LinkText(w).isEmpty(); }, 10000));
        QCOMPARE(Titles(watcher), QStringList());
    }

    // A pseudo-terminal has no modem lines: the 1PPS line left at DCD is said to be
    // unreadable until it is set to None or can be read again. A lost port is what the
    // operator must hear of then, not its line.
    void unreadablePpsLine_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("set to None") << "none";
        QTest::newRow("read again") << "read";
        QTest::newRow("port lost") << "lost";
    }

    void unreadablePpsLine()
    {
        QFETCH(QString, then);
        receiverInfo = ReceiverInfo();
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary Rx Only");
        QSettings().setValue("GpsPortDialog/GPS Serial Port PPS Interface", 1);
        QTest::ignoreMessage(QtWarningMsg, qPrintable("1PPS line DCD unreadable: " + pair.ProgramEnd() +
                                                      " (Inappropriate ioctl for device)"));
        MainWindow w;
        w.ShowAndInitialize();
        const auto said = [&w] { return w.ppsLineLabel->isVisibleTo(&w) ? w.ppsLineLabel->toolTip() : QString(); };
        QVERIFY(TestSupport::WaitFor([&] { return !said().isEmpty(); }, 10000));
        QCOMPARE(said(), "1PPS line DCD unreadable: " + pair.ProgramEnd() + " (Inappropriate ioctl for device)");
        if (then == "none")
            w.gpsPortThread.SetPpsInterface(0);
        else if (then == "read")
        {
            ModemLineWatch::Access readable = ModemLineWatch::SystemAccess();
            readable.readLines = [](int, int* lines) { return *lines = 0; };
            w.gpsPortThread.SetLineAccess(readable);
        }
        else
            pair.Kill();
        // An unreadable line is tried once a second.
        QVERIFY(TestSupport::WaitFor([&] { return said().isEmpty(); }, 10000));
        QCOMPARE(LinkText(w).startsWith("GPS port lost: "), then == "lost");
        // A line that can be read but brings no pulse is said as such, from when it could.
        if (then == "read")
            QVERIFY(TestSupport::WaitFor([&] { return said().startsWith("1PPS missing on DCD since "); }, 10000));
    }

    // OK in the port dialog with another port or mode: the previous receiver's fix,
    // satellites, counts, DOPs, time panels and refused date leave the window, and its
    // averages start again; the same port and mode keep them.
    void portOrModeChangeClearsTheReceiver_data()
    {
        QTest::addColumn<QString>("port");  // empty: the one in use
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("nothing changed") << QString() << "Motorola Binary Rx Only" << false;
        QTest::newRow("another mode") << QString() << "Generic NMEA" << true;
        QTest::newRow("port OFF") << "OFF" << "Motorola Binary Rx Only" << true;
    }

    void portOrModeChangeClearsTheReceiver()
    {
        QFETCH(QString, port);
        QFETCH(QString, mode);
        QFETCH(bool, cleared);
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        receiverInfo = ReceiverInfo();
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary Rx Only");
        ModalWatcher watcher(QMessageBox::Ok);
        MainWindow w;
        w.ShowAndInitialize();
        w.satellites[0] = Sat(5, 40, 120, 30);
        w.UpdateSatelliteTable();
        w.ui->IDC_SATS_VISIBLE->setText("8 Visible");
        w.AddPositionSample(48.1, 11.6, 560.0, 512.0);
        AveragingEngine& nav = *w.gpsNavDialog;
        nav.averagedLat = 47.9;
        nav.bAverageHeld = true;
        nav.positionFilterCount = 500.0;
        w.receiverTime.SetDateTime(Utc(2009, 1, 28, 20, 35, 44));
        w.utcOffsetSecs = 15;
        w.UpdateClockDisplay();
        w.ShowClockGuardNote(QStringLiteral("GPS week rollover? PC clock not set: the receiver says 28-Jan-2009"));
        watcher.SetDialogHandler([&](QDialog* dialog) {
            if (!port.isEmpty())
                dialog->findChild<QComboBox*>("GpsSerialPortNameList")->setCurrentText(port);
            dialog->findChild<QComboBox*>("GpsModeList")->setCurrentText(mode);
            // OK in "Rx Only" asks for the receiver type; closed, its stored choice stands.
            // Bound to this dialog and closing only the type dialog: a late run must not
            // close the next row's port dialog.
            QTimer::singleShot(0, dialog, [] {
                if (auto* type = qobject_cast<GpsRxType*>(QApplication::activeModalWidget()))
                    type->close();
            });
            dialog->findChild<QAbstractButton*>("OK")->click();
        });
        // The menu command is off while the start-up set-up runs, which a loaded machine
        // can still be doing.
        QVERIFY(TestSupport::WaitFor([&w] { return w.ui->actionSet_GPS_Receiver_Interface->isEnabled(); }, 10000));
        w.ui->actionSet_GPS_Receiver_Interface->trigger();
        QCOMPARE(w.gpsPortThread.GetPortMode(), GpsPortDialog::ModeFromText(mode));
        const QString shown = w.ui->SatsDataTableWidget->item(1, 0)->text() + '|' + w.ui->IDC_SATS_VISIBLE->text();
        QCOMPARE(shown, cleared ? QStringLiteral("|Visible") : QStringLiteral("5|8 Visible"));
        QCOMPARE(w.gpsNavDialog->currentLat, cleared ? 0.0 : 48.1);
        QCOMPARE(Titles(watcher), QStringList());

        const auto cell = [&w](int row) { return w.ui->GpsNavDataTableWidget->item(row, 1)->text(); };
        const QStringList time = {w.ui->ClockDisplay->text() + w.ui->IDC_PC_CLOCK_DATA->text().left(3),
                                  w.ui->IDC_GPS_CLOCK_DATA->text().section("<br>", 0, 0),
                                  w.ui->IDC_SIDEREAL_TIME->text().left(8), w.clockGuardLabel->toolTip().left(18),
                                  cell(1), w.ui->IDC_GRIDSQUARE->text()};
        QCOMPARE(time.join('|'), cleared ? QStringLiteral("|||||")
                                         : QStringLiteral("20:35.44.00014:|UTC Day #028  20:35.44.000|05:08:40|"
                                                          "GPS week rollover?|48.10000000\u00B0|JN58tc.24"));
        QCOMPARE(w.receiverTime.mjd == 0, cleared);
        QCOMPARE(cell(2), cleared ? QString() : QStringLiteral("47.90000000\u00B0"));
        QCOMPARE(nav.positionFilterCount, cleared ? 1.0 : 500.0);
    }
};

HORALUX_TEST(TestReceiverLink);
#include "tst_receiverlink.moc"
