#include "gpsnavdialog.h"

#include "ui_gpsnavdialog.h"
#include "utcdatetime.h"
#include "windowgeometry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QSettings>
#include <QTableWidget>


GpsNavDialog::GpsNavDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsNavDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &GpsNavDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsNavDialog::OnCancel);
    LoadSettings();
    if (!bContinueOnRestart)
        ResetAverages();
}

void GpsNavDialog::LoadSettings()
{
    QSettings settings;
    LoadRefLocation();
    bRefLocOnStart = settings.value("GpsNavDialog/RefLocation/Ref_Loc_On_Start", true).toBool();
    bRestartOnUnlock = settings.value("GpsNavDialog/Averaging Data/Restart Averages On Unlock", true).toBool();
    // Set means "continue with the saved averages", whatever the key's name says.
    bContinueOnRestart = settings.value("GpsNavDialog/Averaging Data/Restart Averages On Startup", false).toBool();
    LoadAverages();
    if (DopWeightingUnsupported())
        DisableDopWeightingControls();
}

void GpsNavDialog::ReloadAveragingSettings()
{
    LoadSettings();
    if (!bContinueOnRestart)
        ResetAverages();
}

void GpsNavDialog::ResetAverages()
{
    AveragingEngine::ResetAverages();
    if (DopWeightingUnsupported())
        DisableDopWeightingControls();
}

QString GpsNavDialog::AddNavSample(double latitude, double longitude, double altGps, double altMsl, int gpsMode)
{
    unsigned shows = 0;
    const QString locator = AveragingEngine::AddNavSample(latitude, longitude, altGps, altMsl, gpsMode, &shows);
    if (shows & ShowDopWeightingOff)
        DisableDopWeightingControls();
    if (shows != 0 && isVisible())
        ShowStepResults(shows);
    return locator;
}

int GpsNavDialog::UpdateLockStatus(int gpsMode, const UtcDateTime& now)
{
    const LockChange change = AveragingEngine::UpdateLockStatus(gpsMode, now.dateTime);
    if (change != LockChange::None && LabelVisible("IDC_LOCKED_SINCE")) {
        if (change == LockChange::Locked) {
            ShowLabel("IDC_LOCKED_SINCE", lockedSinceText);
        } else {
            ShowLabel("IDC_UNLOCK_COUNTER", QString::asprintf("%i", unlockCount));
            ShowLabel("IDC_LOCKED_SINCE", QString());
        }
    }
    return bLocked ? 1 : 0;
}

void GpsNavDialog::ShowStepResults(unsigned shows)
{
    if (shows & ShowTimingCounter)
        ShowLabel("IDC_TIMING_FILTER_COUNTER", CountText(timingFilterCount));
    if (shows & ShowTimeAccuracy)
        ShowLabel("IDC_TIME_ACCURACY_ESTIMATE", timeAccuracyText);
    if (shows & ShowPositionCounter)
        ShowLabel("IDC_POS_FILTER_COUNTER", CountText(positionFilterCount));
    if (shows & ShowRmsCounter)
        ShowLabel("IDC_RMS_FILTER_COUNTER", CountText(rmsFilterCount));
    if (shows & ShowErrorTable) {
        const auto* table = findChild<QTableWidget*>(QStringLiteral("AveragingTableWidget"));
        if (table && table->isVisible())
            ShowAverages();
    }
}

void GpsNavDialog::ShowAverages()
{
    if (auto* table = findChild<QTableWidget*>(QStringLiteral("AveragingTableWidget"))) {
        for (int row = 1; row <= 2 * PairCount && row < table->rowCount(); ++row) {
            for (int column = 1; column <= ComponentCount && column < table->columnCount(); ++column) {
                QTableWidgetItem* item = table->item(row, column);
                if (!item) {
                    item = new QTableWidgetItem;
                    item->setTextAlignment(Qt::AlignCenter);
                    table->setItem(row, column, item);
                }
                item->setText(ErrorTableText(row, column));
            }
        }
    }
    const std::pair<const char*, QString> labels[] = {
        {"IDC_LOCKED_SINCE", lockedSinceText},
        {"IDC_UNLOCK_COUNTER", QString::asprintf("%i", unlockCount)},
        {"IDC_POS_FILTER_COUNTER", CountText(positionFilterCount)},
        {"IDC_RMS_FILTER_COUNTER", CountText(rmsFilterCount)},
        {"IDC_TIMING_FILTER_COUNTER", CountText(timingFilterCount)},
    };
    for (const auto& [name, text] : labels) {
        if (auto* label = findChild<QLabel*>(QLatin1String(name)))
            label->setText(text);
    }
}

void GpsNavDialog::ShowLabel(const char* name, const QString& text)
{
    auto* label = findChild<QLabel*>(QLatin1String(name));
    if (label && label->isVisible())
        label->setText(text);
}

bool GpsNavDialog::LabelVisible(const char* name) const
{
    const auto* label = findChild<QLabel*>(QLatin1String(name));
    return label && label->isVisible();
}

void GpsNavDialog::DisableDopWeightingControls()
{
    if (auto* box = findChild<QCheckBox*>(QStringLiteral("IDC_USE_DOP_WEIGHTING"))) {
        box->setChecked(false);
        box->setEnabled(false);
    }
    for (const char* name : {"IDC_HDOP_WEIGHTING_VALUE", "IDC_VDOP_WEIGHTING_VALUE", "IDC_TDOP_WEIGHTING_VALUE"}) {
        if (auto* field = findChild<QWidget*>(QLatin1String(name)))
            field->setEnabled(false);
    }
}

GpsNavDialog::~GpsNavDialog()
{
    delete ui;
}

int GpsNavDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsNavDialog/geometry"));
    // The live averages go back to those stored by the last OK.
    LoadSettings();
    ShowAverages();
    return QDialog::exec();
}

void GpsNavDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsNavDialog/geometry"));
    QDialog::closeEvent(event);
}

void GpsNavDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("GpsNavDialog/geometry"));
    SaveAverages();
    done(1);
}

void GpsNavDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("GpsNavDialog/geometry"));
    done(0);
}
