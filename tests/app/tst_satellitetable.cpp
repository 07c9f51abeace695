// The satellite table: which satellites are listed, the sort buttons, trend arrows,
// out-of-range values and the signal bars with their texts.

#include "apptest.h"
#include "mainwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
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

class TestSatelliteTable : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;
    int savedPortMode = 0;

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
        savedPortMode = receiverInfo.gpsPortMode;
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        window = std::make_unique<MainWindow>();
    }

    void cleanup()
    {
        window.reset();
        receiverInfo.gpsPortMode = savedPortMode;
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

HORALUX_TEST(TestSatelliteTable);
#include "tst_satellitetable.moc"
