#include "gpsnavdialog.h"
#include "mainwindow.h"
#include "pctime.h"
#include "setpcclockdialog.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace {

QDateTime Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

}  // namespace

// The clock refresh against a fixed PC clock (TZ=UTC under CTest).
class TestClockDisplay : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;

    QString BigClock() const { return window->ui->ClockDisplay->text(); }
    QString GpsPanel() const { return window->ui->IDC_GPS_CLOCK_DATA->text(); }

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

        window->clockDisplayMode = 0;
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), QStringLiteral("14:05.07.000"));
        QCOMPARE(window->clockTexts[3], BigClock());

        window->clockDisplayMode = 1;
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), QStringLiteral("14:05:07.250"));

        window->clockDisplayMode = 2;
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), window->displayTime.SiderealTimeText(1));
        QCOMPARE(window->displayTime.longitude, -0.5);

        window->clockDisplayMode = 3;
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), window->displayTime.SiderealTimeText(0));
        QVERIFY(BigClock() != window->displayTime.SiderealTimeText(1));

        window->clockDisplayMode = 4;
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), QStringLiteral("60203.58689"));

        window->clockDisplayMode = 5;
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), QStringLiteral("1.234"));
        window->pcClockOffsetMs = -1234;
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), QStringLiteral("-1.234"));

        // The counter modes leave the big clock to the counter processing, but every
        // panel is still rebuilt.
        for (int mode : {6, 7}) {
            window->clockDisplayMode = mode;
            window->ui->ClockDisplay->setText(QStringLiteral("TIC"));
            window->receiverTime.SetDateTime(Utc(2023, 1, 5, 1, 2, 3));
            window->ui->IDC_SIDEREAL_TIME->clear();
            window->UpdateClockDisplay();
            QCOMPARE(BigClock(), QStringLiteral("TIC"));
            QVERIFY(GpsPanel().startsWith(QStringLiteral("UTC Day #005  01:02.03.000<br>")));
            QVERIFY(!window->ui->IDC_SIDEREAL_TIME->text().isEmpty());
            QVERIFY(window->ui->IDC_PC_CLOCK_DATA->text().startsWith(QStringLiteral("14:05:07.250<br>")));
        }
    }

    void gpsPanelLines()
    {
        window->UpdateClockDisplay();
        QCOMPARE(GpsPanel(), QStringLiteral("UTC Day #259  14:05.07.000<br>Saturday, 16-Sep-2023<br>"
                                            "GPS Week = 2279"));

        window->utcOffsetSecs = 18;
        window->leapSecondPending = 1;
        window->UpdateClockDisplay();
        QCOMPARE(GpsPanel(), QStringLiteral("UTC Day #259  14:05.07.000<br>Saturday, 16-Sep-2023<br>"
                                            "GPS Week = 2279<br>UTC = GPS - 18 seconds"
                                            "<br>+1 leap second is pending"));
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
    }

    void panelsBeforeTheFirstTimeMessage()
    {
        // The receiver clock as constructed: the PC's time, no day number yet.
        window->receiverTime = UtcDateTime();
        window->UpdateClockDisplay();
        QVERIFY(GpsPanel().contains(QStringLiteral("GPS Week = 4294960976")));
        const QStringList sidereal = window->ui->IDC_SIDEREAL_TIME->text().split(QStringLiteral("<br>"));
        QCOMPARE(sidereal.size(), 3);
        QVERIFY(sidereal[2].toDouble() < 1.0);
        QCOMPARE(sidereal[2], QStringLiteral("00.58689"));
    }

    void negativeNetOffsetShowsTheSecondBefore()
    {
        const QDateTime received = Utc(2023, 9, 16, 14, 5, 7);
        window->clockDisplayMode = 0;
        window->displayTime.SetCableDelayNs(2000000);
        QCOMPARE(window->displayTime.NetOffsetMs(), -2);
        for (int k = 0; k < 4; ++k) {
            window->UpdateClockDisplay();
            QCOMPARE(BigClock(), QStringLiteral("14:05.06.998"));
            QVERIFY(GpsPanel().startsWith(QStringLiteral("UTC Day #259  14:05.06.998<br>")));
            QCOMPARE(window->receiverTime.dateTime, received);
            QCOMPARE(window->displayTime.dateTime, received);
            QCOMPARE(window->displayTime.CableDelayNs(), 2000000u);
        }

        // Across midnight the day line still names the receiver's day.
        window->receiverTime.SetDateTime(Utc(2024, 1, 1));
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), QStringLiteral("23:59.59.998"));
        QCOMPARE(window->receiverTime.dateTime, Utc(2024, 1, 1));
        QCOMPARE(window->displayTime.mjd, 60310);

        window->displayTime.SetCableDelayNs(0);
        window->displayTime.SetEpochOffsetMs(123);
        window->receiverTime.SetDateTime(received);
        window->UpdateClockDisplay();
        QCOMPARE(BigClock(), QStringLiteral("14:05.07.123"));
        QCOMPARE(window->displayTime.EpochOffsetMs(), 123);
    }

    void pcClockSetIsReportedOnce()
    {
        window->bPcClockWasSet = true;
        window->UpdateClockDisplay();
        QCOMPARE(window->bPcClockWasSet, false);
        QCOMPARE(window->setPcClockDialog->clockResetCount, 1u);
        QCOMPARE(window->setPcClockDialog->lastSyncText, GpsPanel());
        window->UpdateClockDisplay();
        QCOMPARE(window->setPcClockDialog->clockResetCount, 1u);
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
        QCOMPARE(window->FormatTimeStamp(), QStringLiteral("60203.58689 "));
        window->receiverTime.SetDateTime(Utc(2023, 9, 16, 18));
        window->UpdateClockDisplay();
        QCOMPARE(window->FormatTimeStamp(), QStringLiteral("60203.75000 "));
        window->ticTimeTagFormat = 2;
        QCOMPARE(window->FormatTimeStamp(), QStringLiteral("45183.586887 "));
        for (int other : {3, -1, 99}) {
            window->ticTimeTagFormat = other;
            QCOMPARE(window->FormatTimeStamp(), QString());
        }

        // The PC panel reads the PC clock and names its zone.
        const QString pc = window->ui->IDC_PC_CLOCK_DATA->text();
        QVERIFY(pc.startsWith(QStringLiteral("14:05:07.250<br>")));
        QVERIFY(pc.size() > QStringLiteral("14:05:07.250<br>").size());
        QCOMPARE(window->ui->IDC_SIDEREAL_TIME->text(),
                 window->displayTime.SiderealTimeText(1) + QStringLiteral("<br>") +
                     window->displayTime.SiderealTimeText(0) + QStringLiteral("<br>60203.75000"));
    }

    void nothingWhileShuttingDown()
    {
        window->UpdateClockDisplay();
        const QString before = GpsPanel();
        window->bShuttingDown = true;
        window->receiverTime.SetDateTime(Utc(2020, 1, 1));
        window->UpdateClockDisplay();
        QCOMPARE(GpsPanel(), before);
        QCOMPARE(window->displayTime.dateTime, Utc(2023, 9, 16, 14, 5, 7));
    }
};

HORALUX_TEST(TestClockDisplay);
#include "tst_clockdisplay.moc"
