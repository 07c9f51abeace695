// The main window's live display against a fixed PC clock (TZ=UTC under CTest): the
// clock modes and panels, the position table, time stamps, status badges and the
// position hand-off.

#include "apptest.h"
#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "mainwindow.h"
#include "pctime.h"
#include "setpcclockdialog.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include <memory>

class TestLiveDisplay : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;

    QString BigClock() const { return window->ui->ClockDisplay->text(); }
    QString GpsPanel() const { return window->ui->IDC_GPS_CLOCK_DATA->text(); }
    QString BigClockIn(int mode)
    {
        window->clockDisplayMode = mode;
        window->UpdateClockDisplay();
        return BigClock();
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        window = std::make_unique<MainWindow>();
        window->receiverTime.SetDateTime(Utc(2023, 9, 16, 14, 5, 7));
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
        QCOMPARE(window->clockTexts[3], BigClock());
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
        const QString green = QStringLiteral("padding: 2px 5px; color:white; background-color:green");
        const QString yellow = QStringLiteral("padding: 2px 5px; color:black; background-color:yellow");
        const QString white = QStringLiteral("padding: 2px 5px; color:black; background-color:white");
        QTest::addColumn<bool>("antenna");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("style");
        QTest::newRow("ant ok") << true << 0 << "Ant OK" << green;
        QTest::newRow("ant short") << true << 1 << "Ant OC Short"
                                   << QStringLiteral("padding: 2px 5px; color:white; background-color:red");
        QTest::newRow("ant open") << true << 2 << "Ant Open" << yellow;
        QTest::newRow("ant no power") << true << 3 << "Ant No Pwr" << yellow;
        QTest::newRow("ant before any report") << true << -1 << "Ant Unknown" << white;
        QTest::newRow("ant 4") << true << 4 << "Ant Unknown" << white;
        QTest::newRow("navigating") << false << 0 << "Navigating" << green;
        QTest::newRow("hold") << false << 1 << "Position Hold" << green;
        QTest::newRow("surveying") << false << 2 << "Surveying" << yellow;
        QTest::newRow("nav 3") << false << 3 << "Nav Unknown" << white;
        QTest::newRow("nav negative") << false << -7 << "Nav Unknown" << white;
    }

    void badgesInEveryState()
    {
        QFETCH(bool, antenna);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(QString, style);
        if (antenna)
            window->ShowAntennaStatus(state);
        else
            window->ShowNavigationStatus(state);
        QLabel* badge = antenna ? window->antennaBadge : window->navigationBadge;
        QCOMPARE(badge->text(), text);
        QCOMPARE(badge->styleSheet(), style);
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
};

HORALUX_TEST(TestLiveDisplay);
#include "tst_livedisplay.moc"
