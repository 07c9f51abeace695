// The main window's live display against a fixed PC clock (TZ=UTC under CTest): the
// clock modes and panels, the position table, time stamps, status badges, the
// position hand-off, the one-second tick (ageing and hold-offs, the time-message
// handshake, receiver polls, heartbeat, tick sounds and the minute flush), and the
// satellite table (which satellites are listed, sort buttons, trend arrows,
// out-of-range values, signal bars and their texts).

#include "apptest.h"
#include "framebuilders.h"
#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "gpsrawdatadialog.h"
#include "gpsrxdialog.h"
#include "mainwindow.h"
#include "pctime.h"
#include "receiverinfo.h"
#include "setpcclockdialog.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A clicked sort button and one let go.
const QString kSelected = QStringLiteral(
    "QPushButton {border: 1px solid silver;background-color: aqua;background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 1, y2: 1, stop: 0 white, stop: 1 aqua);}");
const QString kNormal = QStringLiteral(
    "QPushButton {border: 1px solid silver;border-color: qlineargradient(x1: 0, y1: 0, x2: 1, "
    "y2: 1, stop: 0 silver, stop: 1 black);border-radius: 3px;background-color: transparent;}");

}  // namespace

Q_DECLARE_METATYPE(QList<SatelliteRecord>)

class TestLiveDisplay : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;
    QStringList played;

    QString BigClock() const { return window->ui->ClockDisplay->text(); }
    QString GpsPanel() const { return window->ui->IDC_GPS_CLOCK_DATA->text(); }
    QString BigClockIn(int mode)
    {
        window->clockDisplayMode = mode;
        window->UpdateClockDisplay();
        return BigClock();
    }

    // One tick at the second, after a time message answered the last one or not.
    QStringList Tick(int second, bool bAnswered = true)
    {
        played.clear();
        window->receiverTime.SetDateTime(Utc(2021, 6, 1, 12, 0, second));
        window->bPpsAwaitingTime[0] = !bAnswered;
        window->OnClockTick();
        return played;
    }

    bool HeartbeatLit() const
    {
        return window->heartbeatIndicator->pixmap().toImage() == window->ledOnPixmap.toImage();
    }

    QString Cell(int row, int column) const { return window->ui->SatsDataTableWidget->item(row, column)->text(); }
    QString Row(int row) const { return QStringList({Cell(row, 0), Cell(row, 1), Cell(row, 2), Cell(row, 3)}).join('|'); }

    QStringList PrnColumn() const
    {
        QStringList prns;
        for (int row = 1; row <= 16 && !Cell(row, 0).isEmpty(); ++row)
            prns << Cell(row, 0);
        return prns;
    }

    void Put(const SatelliteRecord& record) { window->satellites[record.prn] = record; }
    void Update(const SatelliteRecord& record)
    {
        Put(record);
        window->UpdateSatelliteTable();
    }

    // Satellites whose four keys put them in a different order by each.
    void PutFive()
    {
        Put(Sat(3, 40, 200, 30));
        Put(Sat(7, 70, 100, 20));
        Put(Sat(12, 10, 300, 40));
        Put(Sat(19, 55, 50, 35));
        Put(Sat(25, 25, 150, 10));
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        receiverInfo = ReceiverInfo();
        window = std::make_unique<MainWindow>();
        window->receiverTime.SetDateTime(Utc(2023, 9, 16, 14, 5, 7));
        window->bGpsSearchActive = false;
        window->commandPauseMs = 0;
        window->playTickSound = [this](QSoundEffect& sound) {
            played << (&sound == &window->minuteTickSound ? "minute"
                       : &sound == &window->secondTickSound ? "second"
                                                            : "warn");
        };
        window->bTickSound = true;
        window->bOutOfLockSound = true;
        window->gpsRxDialog->gpsMode = 0;
        window->gpsNavDialog->SetSatellitesUsed(8);  // in lock
    }

    void cleanup()
    {
        window.reset();
        PcTime::SetFixedUtc(QDateTime());
    }

    void everyClockMode()
    {
        window->receiverTime.SetLocation(51.5, -0.5);
        window->pcClockOffsetMs = 1234;
        QCOMPARE(BigClockIn(0), QStringLiteral("14:05.07.000"));
        QCOMPARE(window->ticClockText, BigClock());
        QCOMPARE(BigClockIn(1), QStringLiteral("14:05:07.250"));
        QCOMPARE(BigClockIn(2), window->displayTime.SiderealTimeText(1));
        QCOMPARE(window->displayTime.longitude, -0.5);
        QCOMPARE(BigClockIn(3), window->displayTime.SiderealTimeText(0));
        QVERIFY(BigClock() != window->displayTime.SiderealTimeText(1));
        QCOMPARE(BigClockIn(4), QStringLiteral("60203.58689"));
        QCOMPARE(BigClockIn(5), QStringLiteral("1.234"));
        window->pcClockOffsetMs = -1234;
        QCOMPARE(BigClockIn(5), QStringLiteral("-1.234"));

        // The counter modes leave the big clock to the counter processing, but every
        // panel is still rebuilt.
        for (int mode : {6, 7}) {
            window->ui->ClockDisplay->setText(QStringLiteral("TIC"));
            window->receiverTime.SetDateTime(Utc(2023, 1, 5, 1, 2, 3));
            window->ui->IDC_SIDEREAL_TIME->clear();
            QCOMPARE(BigClockIn(mode), QStringLiteral("TIC"));
            QVERIFY(GpsPanel().startsWith(QStringLiteral("UTC Day #005  01:02.03.000<br>")));
            QVERIFY(!window->ui->IDC_SIDEREAL_TIME->text().isEmpty());
            QVERIFY(window->ui->IDC_PC_CLOCK_DATA->text().startsWith(QStringLiteral("14:05:07.250<br>")));
        }
    }

    void gpsPanelLines()
    {
        const QString head = QStringLiteral("UTC Day #259  14:05.07.000<br>Saturday, 16-Sep-2023<br>GPS Week = 2279");
        window->UpdateClockDisplay();
        QCOMPARE(GpsPanel(), head);
        window->utcOffsetSecs = 18;
        window->leapSecondPending = 1;
        window->UpdateClockDisplay();
        QCOMPARE(GpsPanel(), head + "<br>UTC = GPS - 18 seconds<br>+1 leap second is pending");
        window->leapSecondPending = 2;
        window->UpdateClockDisplay();
        QVERIFY(GpsPanel().endsWith(QStringLiteral("<br>UTC = GPS - 18 seconds<br>-1 leap second is pending")));

        // Unknown or absent values add nothing.
        for (int offset : {0, -3}) {
            for (int leap : {0, -1, 3, -128}) {
                window->utcOffsetSecs = offset;
                window->leapSecondPending = leap;
                window->UpdateClockDisplay();
                QVERIFY2(GpsPanel().endsWith(QStringLiteral("GPS Week = 2279")), qPrintable(GpsPanel()));
            }
        }

        // The receiver clock as constructed: the PC's time, no day number yet.
        window->receiverTime = UtcDateTime();
        window->UpdateClockDisplay();
        QVERIFY(GpsPanel().contains(QStringLiteral("GPS Week = 4294960976")));
        QCOMPARE(window->ui->IDC_SIDEREAL_TIME->text().section(QStringLiteral("<br>"), 2), QStringLiteral("00.58689"));
    }

    void negativeNetOffsetShowsTheSecondBefore()
    {
        const QDateTime received = Utc(2023, 9, 16, 14, 5, 7);
        window->displayTime.SetCableDelayNs(2000000);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(BigClockIn(0), QStringLiteral("14:05.06.998"));
            QVERIFY(GpsPanel().startsWith(QStringLiteral("UTC Day #259  14:05.06.998<br>")));
            QCOMPARE(window->receiverTime.dateTime, received);
            QCOMPARE(window->displayTime.dateTime, received);
            QCOMPARE(window->displayTime.CableDelayNs(), 2000000u);
        }

        // Across midnight the day line still names the receiver's day.
        window->receiverTime.SetDateTime(Utc(2024, 1, 1));
        QCOMPARE(BigClockIn(0), QStringLiteral("23:59.59.998"));
        QCOMPARE(window->receiverTime.dateTime, Utc(2024, 1, 1));
        QCOMPARE(window->displayTime.mjd, 60310);

        window->displayTime.SetCableDelayNs(0);
        window->displayTime.SetEpochOffsetMs(123);
        window->receiverTime.SetDateTime(received);
        QCOMPARE(BigClockIn(0), QStringLiteral("14:05.07.123"));
    }

    void pcClockSetIsReportedOnceAndNothingWhileShuttingDown()
    {
        window->bPcClockWasSet = true;
        window->UpdateClockDisplay();
        QCOMPARE(window->bPcClockWasSet, false);
        QCOMPARE(window->setPcClockDialog->lastSyncText, GpsPanel());
        window->UpdateClockDisplay();
        QCOMPARE(window->setPcClockDialog->clockResetCount, 1u);

        const QString before = GpsPanel();
        window->bShuttingDown = true;
        window->receiverTime.SetDateTime(Utc(2020, 1, 1));
        window->UpdateClockDisplay();
        QCOMPARE(GpsPanel(), before);
        QCOMPARE(window->displayTime.dateTime, Utc(2023, 9, 16, 14, 5, 7));
    }

    void positionTableTakesTheFormattedPieces()
    {
        // Three different positions, so that a row taking another's text shows.
        window->gpsNavDialog->currentLat = 12.5;
        window->gpsNavDialog->averagedLat = -33.25;
        window->gpsNavDialog->bFixReceived = window->gpsNavDialog->bAverageHeld = true;
        window->UpdateClockDisplay();
        QTableWidget* table = window->ui->GpsNavDataTableWidget;
        const QString texts[3] = {window->gpsNavDialog->FormatPositionNmea(window->navDataFormat),
                                  window->gpsNavDialog->FormatPosition(window->navDataFormat),
                                  window->gpsNavDialog->FormatPositionCsv(window->navDataFormat)};
        // Cells 1 to 3 take the first three pieces, cell 4 all the rest.
        for (int r = 1; r <= 3; ++r) {
            const QStringList parts = texts[r - 1].split(QStringLiteral("<br>"));
            for (int c = 1; c <= 3; ++c)
                QCOMPARE(table->item(r, c)->text(), parts.value(c - 1));
            QCOMPARE(table->item(r, 4)->text(), parts.mid(3).join(QStringLiteral("<br>")));
        }
        for (int c = 1; c <= 4; ++c)
            QCOMPARE(window->clockTexts[3 + c], table->item(3, c)->text());
        QVERIFY(table->item(1, 1)->text() != table->item(2, 1)->text());
        QVERIFY(table->item(2, 1)->text() != table->item(3, 1)->text());
    }

    void timeStampsAndThePcAndSiderealPanels()
    {
        window->UpdateClockDisplay();
        window->ticTimeTagFormat = 0;
        QCOMPARE(window->FormatTimeStamp(), QStringLiteral("2023259.586887 "));
        window->ticTimeTagFormat = 1;
        window->receiverTime.SetDateTime(Utc(2023, 9, 16, 18));
        window->UpdateClockDisplay();
        QCOMPARE(window->FormatTimeStamp(), QStringLiteral("60203.75000 "));
        window->ticTimeTagFormat = 2;
        QCOMPARE(window->FormatTimeStamp(), QStringLiteral("45183.586887 "));
        for (int other : {3, -1}) {
            window->ticTimeTagFormat = other;
            QCOMPARE(window->FormatTimeStamp(), QString());
        }

        // The PC panel reads the PC clock and names its zone.
        const QString pc = window->ui->IDC_PC_CLOCK_DATA->text();
        QVERIFY(pc.startsWith(QStringLiteral("14:05:07.250<br>")) && pc.size() > 16);
        QCOMPARE(window->ui->IDC_SIDEREAL_TIME->text(),
                 window->displayTime.SiderealTimeText(1) + QStringLiteral("<br>") +
                     window->displayTime.SiderealTimeText(0) + QStringLiteral("<br>60203.75000"));
    }

    void badgesInEveryState_data()
    {
        QTest::addColumn<bool>("antenna");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colours");
        QTest::newRow("ant ok") << true << 0 << "Ant OK" << "white; background-color:green";
        QTest::newRow("ant short") << true << 1 << "Ant OC Short" << "white; background-color:red";
        QTest::newRow("ant open") << true << 2 << "Ant Open" << "black; background-color:yellow";
        QTest::newRow("ant no power") << true << 3 << "Ant No Pwr" << "black; background-color:yellow";
        QTest::newRow("ant before any report") << true << -1 << "Ant Unknown" << "black; background-color:white";
        QTest::newRow("ant 4") << true << 4 << "Ant Unknown" << "black; background-color:white";
        QTest::newRow("navigating") << false << 0 << "Navigating" << "white; background-color:green";
        QTest::newRow("hold") << false << 1 << "Position Hold" << "white; background-color:green";
        QTest::newRow("surveying") << false << 2 << "Surveying" << "black; background-color:yellow";
        QTest::newRow("nav 3") << false << 3 << "Nav Unknown" << "black; background-color:white";
        QTest::newRow("nav negative") << false << -7 << "Nav Unknown" << "black; background-color:white";
    }

    void badgesInEveryState()
    {
        QFETCH(bool, antenna);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(QString, colours);
        if (antenna)
            window->ShowAntennaStatus(state);
        else
            window->ShowNavigationStatus(state);
        QLabel* badge = antenna ? window->antennaBadge : window->navigationBadge;
        QCOMPARE(badge->text(), text);
        QCOMPARE(badge->styleSheet(), "padding: 2px 5px; color:" + colours);
        // The receiver dialog keeps the navigation state; the antenna leaves it alone.
        QCOMPARE(window->gpsRxDialog->navigationStatus, antenna ? -1 : state);
    }

    void positionSampleShowsTheGridSquare()
    {
        // A fresh averaging engine given the same first sample names the same square.
        window->gpsRxDialog->gpsMode = 2;
        GpsNavDialog reference;
        window->AddPositionSample(48.8584, 2.2945, 380.0, 330.0);
        QCOMPARE(window->ui->IDC_GRIDSQUARE->text(), reference.AddNavSample(48.8584, 2.2945, 380.0, 330.0, 2));
        QCOMPARE(window->gpsNavDialog->currentLon, 2.2945);
    }

    void takeFirstField()
    {
        const auto take = [](QByteArray text, const char* dflt) {
            const QByteArray field = MainWindow::TakeFirstField(text, dflt);
            return QString::fromLatin1(field + '|' + text);
        };
        QCOMPARE(take("12,34", "0"), "12|34");
        QCOMPARE(take("34", "0"), "34|");
        QCOMPARE(take("", "0"), "0|");
        QCOMPARE(take(",34", "dflt"), "dflt|34");
        QCOMPARE(take(" ,34", "dflt"), "|34");  // a blank is a field until it has been judged
        QCOMPARE(take(",,b", "x"), "x|,b");
        // Fields and the default are trimmed; a trailing comma leaves an empty text.
        QCOMPARE(take("  padded\t,", "x"), "padded|");
        QCOMPARE(take("", " d "), "d|");
    }
    // While the receiver is searched a tick does nothing. Otherwise TIC ports go stale
    // on their third silent tick, hold-offs run down to 0, and the handshake flags go
    // up again every second.
    void countersAndFlags()
    {
        window->bGpsSearchActive = true;
        window->bTicPortStale[2] = false;
        window->messageHoldoff[0] = 5;
        window->messageHoldoff[2] = 2;
        window->bZdaTimeThisSecond = true;
        window->bTimeMessageSeen = true;
        QSignalSpy sent(window.get(), &MainWindow::sendGpsMessage);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        QVERIFY(Tick(20, false).isEmpty());
        QCOMPARE(window->ticDataAge[2] * 10 + window->messageHoldoff[0], 5);
        QVERIFY(window->bTimeMessageSeen && sent.isEmpty() && !HeartbeatLit());

        window->bGpsSearchActive = false;
        for (int tick = 1; tick <= 5; ++tick) {
            Tick(5);
            QCOMPARE(window->bTicPortStale[2], tick >= 3);
            QCOMPARE(window->ticDataAge[2], std::min(tick, 3));
            QCOMPARE(window->ticDataAge[0], 0);  // stale from the start: not counted
        }
        QCOMPARE(QString::asprintf("%d %d %d", window->messageHoldoff[0], window->messageHoldoff[1], window->messageHoldoff[2]), "0 0 0");
        QVERIFY(window->bPpsAwaitingTime[0] && window->bPpsAwaitingTime[1] && window->bPpsAwaitingTime[2]);
        QVERIFY(!window->bZdaTimeThisSecond && !window->bTimeMessageSeen);
    }

    // A missed time message sounds the minute tick and decides the logging from the
    // log period alone; otherwise the second, the lock and the options choose.
    void missedTimeMessagesAndSounds()
    {
        QTemporaryDir dir;
        window->gpsLogFile.setFileName(dir.filePath("gps.txt"));
        QVERIFY(window->gpsLogFile.open(QIODevice::WriteOnly));
        window->gpsLogTypeDialog->gpsLogPeriod = 1;
        QCOMPARE(Tick(5, false), QStringList({"minute", "second"}));
        QVERIFY(window->bLogThisSecond);
        window->gpsLogTypeDialog->gpsLogPeriod = 10;
        QCOMPARE(Tick(5, false), QStringList({"minute", "second"}));
        QVERIFY(!window->bLogThisSecond);
        window->bLogThisSecond = true;
        QCOMPARE(Tick(5), QStringList({"second"}));
        QVERIFY(!window->bLogThisSecond);  // the log decides that on its own

        QCOMPARE(Tick(0), QStringList({"minute"}));
        window->gpsNavDialog->SetSatellitesUsed(0);
        QCOMPARE(Tick(1), QStringList({"warn"}));
        QVERIFY(window->bOutOfLock);
        window->bOutOfLockSound = false;
        QVERIFY(Tick(1).isEmpty());
        window->bTickSound = false;
        window->gpsNavDialog->SetSatellitesUsed(8);
        QVERIFY(Tick(0).isEmpty());
        QVERIFY(Tick(1).isEmpty());
    }

    void receiverPollsBySecondAndModel()
    {
        QSignalSpy sent(window.get(), &MainWindow::sendGpsMessage);
        const auto pollAt = [&](int second, int model) {
            receiverInfo.receiverModel = model;
            sent.clear();
            Tick(second);
            return sent.isEmpty() ? QByteArray() : sent.takeFirst().at(0).toByteArray();
        };
        const auto withChecksum = [](QByteArray message) {
            if (!GpsSerialPortThread::AppendMotorolaChecksum(message))
                GpsSerialPortThread::AppendUbxChecksum(message);
            return message;
        };
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        QCOMPARE(pollAt(20, 24), withChecksum("@@Gj"));
        QCOMPARE(pollAt(20, 3), withChecksum("@@Gj"));
        QCOMPARE(pollAt(20, 8), withChecksum("@@Bj"));
        QCOMPARE(pollAt(21, 8), withChecksum(QByteArray("@@Bo\x01", 5)));
        QCOMPARE(pollAt(22, 24), QByteArray());
        QCOMPARE(pollAt(11, 24), QByteArray());
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        QCOMPARE(pollAt(11, 19), withChecksum(QByteArray("\xB5\x62\x0B\x02\x00\x00", 6)));
        QCOMPARE(pollAt(20, 19), QByteArray());
        for (int mode : {GpsPortModeMotorolaBinaryRxOnly, GpsPortModeGenericNmea, GpsPortModeUbloxNmea}) {
            receiverInfo.gpsPortMode = mode;
            for (int second : {11, 20, 21})
                QCOMPARE(pollAt(second, 24), QByteArray());
        }
    }

    // The heartbeat lights for 300 ms and the raw data window marks the tick. (The logs
    // need no minute flush: their lines reach the system as they are written.)
    void heartbeatAndPpsMark()
    {
        window->gpsRawDataDialog->show();
        Tick(30);
        QVERIFY(HeartbeatLit());
        QVERIFY(window->gpsRawDataDialog->findChild<QPlainTextEdit*>()->toPlainText().contains("-- PPS --"));
        QVERIFY(TestSupport::WaitFor([this] { return !HeartbeatLit(); }, 10000));
    }
    void firstSixteenOfMoreAreListed()
    {
        for (int prn = 1; prn <= 20; ++prn)
            Put(Sat(prn, prn * 4, prn * 15, 20 + prn));
        window->UpdateSatelliteTable();
        QCOMPARE(PrnColumn().size(), 16);
        QCOMPARE(Row(16), QStringLiteral("16|64  |240|36"));
        for (QProgressBar* bar : window->signalBars)
            QVERIFY(!bar->isHidden());
        QCOMPARE(window->signalBars[0]->value(), 21);
        QCOMPARE(window->spareSatelliteRecords[15].prn, 16);

        // Sorted by signal, the strongest sixteen (20 down to 5) fill the rows.
        window->SetSatelliteSortMode(3);
        window->UpdateSatelliteTable();
        QCOMPARE(Cell(1, 0), QStringLiteral("20"));
        QCOMPARE(Row(16), QStringLiteral("5|20  |75|25"));
    }

    void unusedSatellitesAreHiddenAndRowsBlanked()
    {
        PutFive();
        Update(Sat(30, 60, 60, 44, 0x00));  // tracked, not in the fix
        QCOMPARE(window->satellites[30].signalLevel, 0);
        QCOMPARE(PrnColumn(), QStringList({"3", "7", "12", "19", "25"}));
        for (int row = 6; row <= 16; ++row) {
            QCOMPARE(Row(row), QStringLiteral("|||"));
            QVERIFY(window->signalBars[row - 1]->isHidden());
        }
        QVERIFY(!window->signalBars[4]->isHidden());
        QCOMPARE(window->signalBars[0]->value(), 30);

        // Fewer satellites next time: the rows they leave are emptied.
        window->satellites[19] = window->emptySatelliteRecord;
        window->satellites[25] = window->emptySatelliteRecord;
        window->UpdateSatelliteTable();
        QCOMPARE(PrnColumn(), QStringList({"3", "7", "12"}));
        QCOMPARE(Row(4), QStringLiteral("|||"));
        QVERIFY(window->signalBars[3]->isHidden());
        QCOMPARE(window->signalBars[3]->value(), 0);
        QCOMPARE(window->signalBars[3]->format(), QString());  // no stale "GPS"
        QCOMPARE(window->spareSatelliteRecords[3].prn, 0);

        // A blank row holds no text, so a satellite due north on the horizon that moves
        // into it still shows its zeros.
        Update(Sat(26, 0, 0, 15));
        QCOMPARE(Row(4), QStringLiteral("26|00  |0|15"));
        window->satellites[26] = window->emptySatelliteRecord;

        // Negative positions are not listed either.
        Put(Sat(40, -1, 10, 30));
        Update(Sat(41, 10, -5, 30));
        QCOMPARE(PrnColumn(), QStringList({"3", "7", "12"}));

        window->bShuttingDown = true;
        Update(Sat(1, 10, 10, 30));
        QCOMPARE(PrnColumn(), QStringList({"3", "7", "12"}));
        window->bShuttingDown = false;
    }

    void ubxModeUsesTheUsedBit()
    {
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        Put(Sat(131, 30, 180, 38, 0x01));  // used, healthy; bit 7 means nothing here
        Update(Sat(5, 30, 180, 38, 0x80));  // not used
        QCOMPARE(PrnColumn(), QStringList({"131"}));
        QCOMPARE(window->satellites[5].signalLevel, 0);
        QCOMPARE(window->signalBars[0]->format(), QStringLiteral("EGNOS IOR 64°E, SBAS"));
    }

    void everySortButtonTwice_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("PRN") << 0 << QStringList({"3", "7", "12", "19", "25"});
        QTest::newRow("El") << 1 << QStringList({"7", "19", "3", "25", "12"});
        QTest::newRow("Azm") << 2 << QStringList({"19", "7", "25", "3", "12"});
        QTest::newRow("Eb/No") << 3 << QStringList({"12", "19", "3", "7", "25"});
    }

    void everySortButtonTwice()
    {
        QFETCH(int, button);
        QFETCH(QStringList, sorted);
        // The unsorted order is the order of the working table: by satellite number.
        const QStringList unsorted({"3", "7", "12", "19", "25"});
        PutFive();
        window->UpdateSatelliteTable();
        QCOMPARE(PrnColumn(), unsorted);

        // Another button chosen before is let go.
        const int other = (button + 1) % 4;
        QTest::mouseClick(window->satSortButtons[other], Qt::LeftButton);
        QTest::mouseClick(window->satSortButtons[button], Qt::LeftButton);
        QCOMPARE(window->satelliteSortMode, button);
        QCOMPARE(window->satSortButtons[button]->styleSheet(), kSelected);
        QCOMPARE(window->satSortButtons[other]->styleSheet(), kNormal);
        QCOMPARE(QSettings().value("MainWindow/Satellite Sort Mode").toInt(), button);
        window->UpdateSatelliteTable();
        QCOMPARE(PrnColumn(), sorted);
        window->SetSatelliteSortMode(-1);  // ignored
        QCOMPARE(window->satelliteSortMode, button);

        QTest::mouseClick(window->satSortButtons[button], Qt::LeftButton);
        QCOMPARE(window->satelliteSortMode, 4);
        QCOMPARE(window->satSortButtons[button]->styleSheet(), kNormal);
        QCOMPARE(QSettings().value("MainWindow/Satellite Sort Mode").toInt(), 4);
        window->UpdateSatelliteTable();
        QCOMPARE(PrnColumn(), unsorted);
    }

    // A still sky: the receiver repeats its one satellite sentence word for word, and
    // the decoder drops each repeat, so the rows take a press at once or never. A press
    // while a new picture of the sky is under way waits for its end, not half of it.
    void aSortPressUnderAStillSky()
    {
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        const auto heard = [this](const QByteArray& body) {
            return window->DecodeNmeaSentence(FrameBuilders::Nmea(body));
        };
        const QByteArray still = "$GPGSV,1,1,04,03,40,200,30,07,70,100,33,12,10,300,40,19,55,050,35";
        QVERIFY(heard(still) && heard(still));
        QCOMPARE(PrnColumn(), QStringList({"3", "7", "12", "19"}));
        QTest::mouseClick(window->satSortButtons[1], Qt::LeftButton);  // El
        QCOMPARE(PrnColumn(), QStringList({"7", "19", "3", "12"}));
        QVERIFY(heard(still));
        QTest::mouseClick(window->satSortButtons[2], Qt::LeftButton);  // Azm
        QCOMPARE(PrnColumn(), QStringList({"19", "7", "3", "12"}));

        QVERIFY(heard("$GPGSV,2,1,05,03,40,200,30,07,70,100,33,12,10,300,40,19,55,050,35"));
        QTest::mouseClick(window->satSortButtons[2], Qt::LeftButton);  // Azm again: unsorted
        QCOMPARE(PrnColumn(), QStringList({"19", "7", "3", "12"}));
        QVERIFY(heard("$GPGSV,2,2,05,25,25,150,27"));
        QCOMPARE(PrnColumn(), QStringList({"3", "7", "12", "19", "25"}));
    }

    void valuesOutOfRangeKeepThePreviousText()
    {
        Update(Sat(9, 45, 100, 30));
        QCOMPARE(Row(1), QStringLiteral("9|45  |100|30"));
        Update(Sat(9, 91, 360, 41));
        QCOMPARE(Row(1), QStringLiteral("9|45  |100|30"));
        QCOMPARE(window->signalBars[0]->value(), 30);

        // Back in range, the cells follow again.
        Update(Sat(9, 5, 359, 40));
        QCOMPARE(Row(1), QStringLiteral("9|05 ↓|359|40"));  // down from the 91 it was given
        QCOMPARE(window->signalBars[0]->value(), 40);

        // Beyond 256 outside the u-blox mode a record is not listed at all; 256 itself
        // is listed but has no number shown.
        window->satellites[10] = Sat(300, 20, 20, 20);
        window->satellites[11] = Sat(256, 20, 20, 20);
        window->UpdateSatelliteTable();
        QCOMPARE(window->spareSatelliteRecords[1].prn, 256);
        QCOMPARE(window->spareSatelliteRecords[2].prn, 0);
        QVERIFY(Cell(2, 0).isEmpty());
    }

    // A value the table does not write (a level of 41 or more, an elevation of 91 or
    // more, an azimuth of 360 or more) keeps the text of the row's same satellite only:
    // once a press moves the rows, every cell of a row with another satellite is its own,
    // an unwritten value an empty cell with no bar.
    void outOfRangeValuesAreNeverAnotherSatellites_data()
    {
        QTest::addColumn<QList<SatelliteRecord>>("sky");
        QTest::addColumn<QList<int>>("presses");
        // Rows as "PRN|El|Azm|Eb/No|bar" after each press; "-" is a hidden bar.
        QTest::addColumn<QList<QStringList>>("shown");
        const QStringList high{"3|40  |200|25|25", "7|50  |210|28|28", "27|60  |220||-", "31|70  |230||-"};
        QTest::newRow("levels of 41 and more, Eb/No then PRN")
            << QList<SatelliteRecord>{Sat(3, 40, 200, 25), Sat(7, 50, 210, 28), Sat(27, 60, 220, 63),
                                      Sat(31, 70, 230, 66)}
            << QList<int>{3, 0}
            << QList<QStringList>{{"31|70  |230||-", "27|60  |220||-", "7|50  |210|28|28", "3|40  |200|25|25"}, high};
        QTest::newRow("elevations of 91 and more, El then PRN")
            << QList<SatelliteRecord>{Sat(3, 30, 200, 25), Sat(7, 40, 210, 28), Sat(27, 91, 220, 31),
                                      Sat(31, 95, 230, 34)}
            << QList<int>{1, 0}
            << QList<QStringList>{{"31||230|34|34", "27||220|31|31", "7|40  |210|28|28", "3|30  |200|25|25"},
                                  {"3|30  |200|25|25", "7|40  |210|28|28", "27||220|31|31", "31||230|34|34"}};
        QTest::newRow("azimuths of 360 and more, Azm twice")
            << QList<SatelliteRecord>{Sat(3, 30, 400, 25), Sat(7, 40, 360, 28), Sat(27, 50, 110, 31),
                                      Sat(31, 60, 100, 34)}
            << QList<int>{2, 2}
            << QList<QStringList>{{"31|60  |100|34|34", "27|50  |110|31|31", "7|40  ||28|28", "3|30  ||25|25"},
                                  {"3|30  ||25|25", "7|40  ||28|28", "27|50  |110|31|31", "31|60  |100|34|34"}};
    }

    void outOfRangeValuesAreNeverAnotherSatellites()
    {
        QFETCH(QList<SatelliteRecord>, sky);
        QFETCH(QList<int>, presses);
        QFETCH(QList<QStringList>, shown);
        for (const SatelliteRecord& sat : sky)
            Put(sat);
        window->UpdateSatelliteTable();
        for (int k = 0; k < presses.size(); ++k) {
            QTest::mouseClick(window->satSortButtons[presses.at(k)], Qt::LeftButton);
            QStringList rows;
            for (int row = 1; row <= sky.size(); ++row) {
                const QProgressBar* bar = window->signalBars[row - 1];
                rows << Row(row) + '|' + (bar->isHidden() ? QStringLiteral("-") : QString::number(bar->value()));
            }
            QCOMPARE(rows, shown.at(k));
        }
    }

    void elevationTrendArrows()
    {
        Update(Sat(14, 30, 90, 30));
        QCOMPARE(Cell(1, 1), QStringLiteral("30  "));  // not known yet
        Update(Sat(14, 31, 90, 30));
        QCOMPARE(Cell(1, 1), QStringLiteral("31 ↑"));
        Update(Sat(14, 31, 91, 30));  // unchanged elevation keeps the trend worked out before
        QCOMPARE(window->satellites[14].elevationTrend, 1);
        Update(Sat(14, 29, 92, 30));
        QCOMPARE(Cell(1, 1), QStringLiteral("29 ↓"));
        Update(Sat(14, 20, 92, 30, 0x80, 1));  // a trend given by the decoder stays as it is
        QCOMPARE(window->satellites[14].elevationTrend, 1);
        QCOMPARE(Cell(1, 1), QStringLiteral("20 ↑"));

        // A new satellite in the row gets its own arrow.
        window->satellites[14] = window->emptySatelliteRecord;
        Update(Sat(4, 20, 200, 30, 0x80, -1));
        QCOMPARE(Row(1), QStringLiteral("4|20 ↓|200|30"));

        // From an elevation of 0 no trend is worked out.
        Update(Sat(15, 0, 10, 30));
        Update(Sat(15, 3, 10, 30));
        QCOMPARE(window->satellites[15].elevationTrend, 0);
    }

    void barTexts_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("prn");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("text");
        const int ubx = GpsPortModeUbloxUbx;
        const int motorola = GpsPortModeMotorolaBinary;
        QTest::newRow("ubx GPS") << ubx << 32 << 0x01 << "GPS";
        QTest::newRow("ubx-nmea first SBAS") << int(GpsPortModeUbloxNmea) << 120 << 0x01 << "EGNOS AOR-E 15°W, SBAS";
        QTest::newRow("ubx SBAS unnamed 123") << ubx << 123 << 0x01 << "SBAS";
        QTest::newRow("ubx SBAS 139") << ubx << 139 << 0x01 << "SBAS";
        QTest::newRow("ubx BeiDou 163") << ubx << 163 << 0x01 << "BeiDou";
        QTest::newRow("ubx GLONASS 255") << ubx << 255 << 0x01 << "GLONASS";
        QTest::newRow("ubx nothing") << ubx << 170 << 0x01 << "";
        QTest::newRow("ubx unhealthy") << ubx << 7 << 0x11 << "GPS, Unhealthy";
        QTest::newRow("ubx only flags") << ubx << 100 << 0x10 << "Not Used, Unhealthy";
        QTest::newRow("motorola all flags") << motorola << 5 << 0xff
                                            << "GPS, Momentum Alert, Unhealthy, SA, Parity Error";
        QTest::newRow("motorola SBAS unnamed") << motorola << 131 << 0xff << "SBAS";
        QTest::newRow("motorola GLONASS no flags") << motorola << 70 << 0xff << "GLONASS";
        QTest::newRow("motorola none") << motorola << 100 << 0x80 << "";
        // A satellite with a signal has bit 0 set by the NMEA decoder: no parity there.
        QTest::newRow("generic nmea with signal") << int(GpsPortModeGenericNmea) << 5 << 0x01 << "GPS";
        QTest::newRow("motorola nmea SBAS") << int(GpsPortModeMotorolaNmea) << 131 << 0xff << "SBAS";
    }

    void barTexts()
    {
        QFETCH(int, mode);
        QFETCH(int, prn);
        QFETCH(int, flags);
        QFETCH(QString, text);
        QCOMPARE(MainWindow::SatelliteBarText(Sat(prn, 10, 10, 10, flags), mode), text);
    }

    void aChangeOfFlagsAloneRebuildsTheBarText()
    {
        Update(Sat(5, 30, 30, 30, 0x88));
        QCOMPARE(window->signalBars[0]->format(), QStringLiteral("GPS, SA"));
        Update(Sat(5, 30, 30, 30, 0x80 | 0x40));
        QCOMPARE(window->signalBars[0]->format(), QStringLiteral("GPS, Momentum Alert"));
    }
};

HORALUX_TEST(TestLiveDisplay);
#include "tst_livedisplay.moc"
