// The satellite table of the main window: rows, signal bars, sort order and its
// buttons.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsrxiddialog.h"
#include "satazelchartdialog.h"
#include "ui_mainwindow.h"
#include "tablecells.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSettings>

#include <algorithm>
#include <iterator>

namespace {
// After a press the buttons take the short styles (no pressed state of their own).
const char* const kSortSelectedStyle =
    "QPushButton {border: 1px solid silver;background-color: aqua;background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 1, y2: 1, stop: 0 white, stop: 1 aqua);}";
const char* const kSortNormalStyle =
    "QPushButton {border: 1px solid silver;border-color: qlineargradient(x1: 0, y1: 0, x2: 1, "
    "y2: 1, stop: 0 silver, stop: 1 black);border-radius: 3px;background-color: transparent;}";
}  // namespace

void MainWindow::SetSatelliteSortMode(int mode)
{
    if (mode < 0 || mode > 3)
        return;
    if (satelliteSortMode < 0 || satelliteSortMode > 3) {
        satSortButtons[mode]->setStyleSheet(kSortSelectedStyle);
        satelliteSortMode = mode;
    } else if (satelliteSortMode == mode) {
        satSortButtons[mode]->setStyleSheet(kSortNormalStyle);
        satelliteSortMode = 4;
    } else {
        satSortButtons[satelliteSortMode]->setStyleSheet(kSortNormalStyle);
        satSortButtons[mode]->setStyleSheet(kSortSelectedStyle);
        satelliteSortMode = mode;
    }
    QSettings().setValue("MainWindow/Satellite Sort Mode", satelliteSortMode);
    // The rows follow the press at once: a still sky repeats itself, and a decoder that
    // drops repeats would leave them in the old order. A display copy with no satellite
    // in it has no rows to sort: either the sky is empty, or a decoder that cleared it is
    // part-way through a new picture of the sky, and its own refresh at the picture's end
    // sorts by the new mode; refreshing now would show half of it.
    const bool bDisplayCopyEmpty = std::none_of(std::begin(satelliteDisplayTable), std::end(satelliteDisplayTable),
                                                [](const SatelliteRecord& record) { return record.prn != 0; });
    if (!bDisplayCopyEmpty)
        UpdateSatelliteTable();
}

void MainWindow::SatSortBtn_PRN_pressed(bool) { SetSatelliteSortMode(0); }
void MainWindow::SatSortBtn_El_pressed(bool) { SetSatelliteSortMode(1); }
void MainWindow::SatSortBtn_Azm_pressed(bool) { SetSatelliteSortMode(2); }
void MainWindow::SatSortBtn_EbNo_pressed(bool) { SetSatelliteSortMode(3); }

namespace {

bool CompareSatRowsField0Ascending(const SatelliteRecord& a, const SatelliteRecord& b)
{
    return a.prn < b.prn;
}

bool CompareSatRowsField1Descending(const SatelliteRecord& a, const SatelliteRecord& b)
{
    return b.elevation < a.elevation;
}

bool CompareSatRowsField2Ascending(const SatelliteRecord& a, const SatelliteRecord& b)
{
    return a.azimuth < b.azimuth;
}

bool CompareSatRowsField3Descending(const SatelliteRecord& a, const SatelliteRecord& b)
{
    return b.signalLevel < a.signalLevel;
}

bool IsUsedInFix(const SatelliteRecord& record)
{
    return (static_cast<uint8_t>(record.statusFlags) & 0x80) != 0;
}

bool HasFlag(const SatelliteRecord& record, int bit)
{
    return (static_cast<uint8_t>(record.statusFlags) >> bit) & 1;
}

// Names of the SBAS satellites on PRN 120 to 138; none for 123, 125 and 132.
const char* const kSbasNames[19] = {
    "EGNOS AOR-E 15°W, ", "EMEA 25°E, ",       "PAC-C, ",        nullptr,
    "EGNOS 21.5°E, ",      nullptr,             "EGNOS IND-W 25°E, ", "GAGAN 82°E, ",
    "GAGAN 55°E, ",        "MSAS 140°E, ",      "IOR 142.5°E, ",  "EGNOS IOR 64°E, ",
    nullptr,               "WAAS AMER 98°W, ",  "WAAS POR 178°E, ", "WAAS 133°W, ",
    "INMARSAT 8°E, ",      "MSAS 145°E, ",      "WAAS 107°W, ",
};

// The constellation item of a satellite number; SBAS names only when asked.
QString ConstellationItem(int prn, bool withSbasName)
{
    if (prn >= 1 && prn <= 32)
        return QStringLiteral("GPS, ");
    if (prn >= 120 && prn <= 138) {
        const char* name = withSbasName ? kSbasNames[prn - 120] : nullptr;
        return (name ? QString::fromUtf8(name) : QString()) + QStringLiteral("SBAS, ");
    }
    if (prn >= 139 && prn <= 158)
        return QStringLiteral("SBAS, ");
    if (prn >= 211 && prn <= 246)
        return QStringLiteral("Galileo, ");
    if ((prn >= 159 && prn <= 163) || (prn >= 33 && prn <= 64))
        return QStringLiteral("BeiDou, ");
    if (prn >= 173 && prn <= 182)
        return QStringLiteral("IMES, ");
    if (prn >= 183 && prn <= 197)
        return QStringLiteral("QZSS, ");
    if ((prn >= 65 && prn <= 96) || prn == 255)
        return QStringLiteral("GLONASS, ");
    return QString();
}

QString ElevationText(const SatelliteRecord& record)
{
    QChar trend = QLatin1Char(' ');
    if (record.elevationTrend == 1)
        trend = QChar(0x2191);
    else if (record.elevationTrend == -1)
        trend = QChar(0x2193);
    return QString::asprintf("%02d ", record.elevation) + trend;
}

}  // namespace

QString MainWindow::SatelliteBarText(const SatelliteRecord& record, int portMode)
{
    QString text;
    if (portMode == GpsPortModeUbloxUbx || portMode == GpsPortModeUbloxNmea) {
        text = ConstellationItem(record.prn, true);
        if (!HasFlag(record, 0))
            text += QStringLiteral("Not Used, ");
        if (HasFlag(record, 4))
            text += QStringLiteral("Unhealthy, ");
    } else if (portMode == GpsPortModeMotorolaNmea || portMode == GpsPortModeGenericNmea) {
        // NMEA carries no parity, SA or health word: the decoder's flags there only mean
        // "has a signal", so the bar names the constellation alone.
        text = ConstellationItem(record.prn, false);
    } else if (record.prn >= 1 && record.prn <= 32) {
        text = QStringLiteral("GPS, ");
        if (HasFlag(record, 6))
            text += QStringLiteral("Momentum Alert, ");
        if (HasFlag(record, 4))
            text += QStringLiteral("Unhealthy, ");
        if (HasFlag(record, 3))
            text += QStringLiteral("SA, ");
        if (HasFlag(record, 0))
            text += QStringLiteral("Parity Error, ");
    } else {
        text = ConstellationItem(record.prn, false);
    }
    if (text.size() > 2)
        text.chop(2);
    return text;
}

void MainWindow::UpdateSatelliteTable()
{
    if (bShuttingDown)
        return;
    const bool ubx = receiverInfo.gpsPortMode == GpsPortModeUbloxUbx;

    for (SatelliteRecord& sat : satellites) {
        if (sat.elevationTrend == 0 && sat.prn != 0) {
            for (const SatelliteRecord& old : satelliteDisplayTable) {
                if (old.prn != sat.prn)
                    continue;
                if (old.elevation > 0) {
                    if (old.elevation < sat.elevation)
                        sat.elevationTrend = 1;
                    else if (old.elevation > sat.elevation)
                        sat.elevationTrend = -1;
                    else
                        sat.elevationTrend = old.elevationTrend;
                }
                break;
            }
        }
        const bool used = ubx ? HasFlag(sat, 0) : IsUsedInFix(sat);
        if (!used)
            sat.signalLevel = 0;
    }

    std::copy(std::begin(satellites), std::end(satellites), std::begin(satelliteDisplayTable));
    bool (*const comparators[4])(const SatelliteRecord&, const SatelliteRecord&) = {
        CompareSatRowsField0Ascending, CompareSatRowsField1Descending,
        CompareSatRowsField2Ascending, CompareSatRowsField3Descending};
    if (satelliteSortMode >= 0 && satelliteSortMode < 4)
        std::sort(std::begin(satelliteDisplayTable), std::end(satelliteDisplayTable),
                  comparators[satelliteSortMode]);

    QTableWidget* table = ui->SatsDataTableWidget;
    int rowsFilled = 0;
    for (const SatelliteRecord& sat : satelliteDisplayTable) {
        if (rowsFilled == 16)
            break;
        if (sat.prn == 0 || sat.signalLevel == 0 || sat.elevation < 0 || sat.azimuth < 0 ||
            (!ubx && sat.prn > 256))
            continue;
        const int row = ++rowsFilled;
        SatelliteRecord& shown = spareSatelliteRecords[row - 1];
        QProgressBar* bar = signalBars[row - 1];
        // A value out of range keeps the cell's text only while that text is the same
        // satellite's: once the rows move, it would be another satellite's reading. A new
        // satellite in the row (a blank row included) has every cell written, an
        // unreadable value as an empty cell.
        const bool newSatellite = sat.prn != shown.prn;

        if (newSatellite)
            SetCellText(table, row, 0, sat.prn < 256 ? QString::number(sat.prn) : QString());
        // The trend counts too: the same satellite at the same elevation may turn.
        const bool elevationReadable = sat.elevation < 91;
        if (newSatellite || (elevationReadable && (sat.elevation != shown.elevation ||
                                                   sat.elevationTrend != shown.elevationTrend)))
            SetCellText(table, row, 1, elevationReadable ? ElevationText(sat) : QString());
        const bool azimuthReadable = sat.azimuth < 360;
        if (newSatellite || (azimuthReadable && sat.azimuth != shown.azimuth))
            SetCellText(table, row, 2, azimuthReadable ? QString::number(sat.azimuth) : QString());

        const bool inFix = ubx || IsUsedInFix(sat);
        if (inFix && sat.signalLevel < 41) {
            if (newSatellite || sat.signalLevel != shown.signalLevel) {
                SetCellText(table, row, 3, QString::number(sat.signalLevel));
                bar->setValue(sat.signalLevel);
                bar->setVisible(true);
            }
        } else if (newSatellite) {
            SetCellText(table, row, 3, QString());
            bar->setValue(0);
            bar->setVisible(false);
        }
        if (inFix && (newSatellite || sat.statusFlags != shown.statusFlags ||
                      sat.channelState != shown.channelState))
            bar->setFormat(SatelliteBarText(sat, receiverInfo.gpsPortMode));
        shown = sat;
    }

    // The view shows its cell widgets again whenever it lays itself out, so a blank
    // row's bar loses its text as well as being hidden.
    for (int row = rowsFilled + 1; row <= 16; ++row) {
        for (int c = 0; c < 4; ++c)
            SetCellText(table, row, c, QString());
        signalBars[row - 1]->setValue(0);
        signalBars[row - 1]->setFormat(QString());
        signalBars[row - 1]->setVisible(false);
        spareSatelliteRecords[row - 1] = emptySatelliteRecord;
    }

    if (satAzElChartDialog && satAzElChartDialog->isVisible())
        satAzElChartDialog->UpdateSatellites(satelliteDisplayTable);
}

// What an earlier receiver said is not the next one's: a search starts from this, and so
// does another port or mode (ForgetPreviousReceiver).
void MainWindow::ClearReceiverDisplay()
{
    utcOffsetSecs = 0;
    leapSecondPending = -1;
    dgpsState = 0;
    // Without a 1PPS line the hold-offs never run down, and an earlier 12-channel
    // receiver would hide a later 8- or 6-channel one for good.
    for (int k = 0; k < 3; ++k)
        messageHoldoff[k] = 0;
    std::fill(std::begin(satellites), std::end(satellites), emptySatelliteRecord);
    std::fill(std::begin(satelliteDisplayTable), std::end(satelliteDisplayTable), emptySatelliteRecord);
    // The duplicate filters go too. Under a still sky a receiver repeats its fix-mode and
    // satellite sentences word for word for many minutes; a repeat of one heard before
    // (during a search, or from another receiver under the same sky) would be dropped,
    // and the fix dimension that lets the position be averaged never said again.
    for (QString* last : {&lastZdaSentence, &lastGsaSentence, &lastGsvSentence, &lastGllSentence,
                          &lastRmcSentence, &lastVtgSentence, &lastPgrmtSentence, &lastPgrmiSentence,
                          &lastPgrmcSentence, &lastPgrmoSentence})
        last->clear();
    if (gpsRxIdDialog)
        gpsRxIdDialog->AppendRxIdText(QString());
    bBadgesHeld = false;  // they were the previous receiver's
    ShowAntennaStatus(-1);
    ShowNavigationStatus(-1);
    for (QLabel* label : {ui->IDC_SATS_STATUS_MESSAGE, ui->IDC_SATS_DOPS_MESSAGE, ui->IDC_SATS_DGPS_MESSAGE})
        label->clear();
}

void MainWindow::ForgetPreviousReceiver()
{
    ClearReceiverDisplay();
    UpdateSatelliteTable();  // every row blank
    ui->IDC_SATS_VISIBLE->setText(QStringLiteral("Visible"));
    ui->IDC_SATS_TRACKED->setText(QStringLiteral("Tracked"));
    ui->IDC_GRIDSQUARE->clear();
    if (gpsNavDialog)
        gpsNavDialog->RestartForAnotherReceiver();
    ClearClockDisplay();
}
