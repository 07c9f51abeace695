#include "gpslogtypedialog.h"

#include "logdialogfields.h"
#include "logfilenames.h"
#include "storedvalues.h"
#include "ui_gpslogtypedialog.h"
#include "windowgeometry.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QSettings>

namespace {

constexpr const char* kEveryTexts[LogFileNames::kGpsLogEveryCount] = {
    "1 second",   "2 seconds",  "5 seconds",  "10 seconds", "15 seconds", "30 seconds",
    "1 minute",   "5 minutes",  "10 minutes", "15 minutes", "30 minutes", "1 hour"};

}  // namespace

GpsLogTypeDialog::GpsLogTypeDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsLogTypeDialog)
{
    ui->setupUi(this);
    QAbstractButton* const types[] = {ui->IDC_GPSLOG_RAW, ui->IDC_GPSLOG_BINARY, ui->IDC_GPSLOG_PVT,
                                      ui->IDC_GPSLOG_NMEA, ui->IDC_GPSLOG_RINEX};
    for (int k = 0; k < 5; ++k)
        ui->GpsLogTypeButtonGroup->setId(types[k], k);
    for (const char* text : kEveryTexts)
        ui->IDC_GPSLOG_EVERY->addItem(QLatin1String(text));
    connect(ui->OK, &QPushButton::clicked, this, &GpsLogTypeDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsLogTypeDialog::OnCancel);
    connect(ui->IDC_GPSLOG_BROWSE, &QPushButton::clicked, this, &GpsLogTypeDialog::IDC_GPSLOG_BROWSE_clicked);
    LoadSettings();
}

GpsLogTypeDialog::~GpsLogTypeDialog()
{
    delete ui;
}

void GpsLogTypeDialog::LoadSettings()
{
    QSettings settings;
    gpsLogType = StoredValues::Integer(settings, "LogFiles/GPSLogType", 2, 0, 4, 2);
    gpsLogEveryIndex = StoredValues::Integer(settings, "LogFiles/GPSLogEvery", 0, 0,
                                              LogFileNames::kGpsLogEveryCount - 1, 0, StoredValues::Repair::Complete);
    gpsLogPeriod = LogFileNames::GpsLogPeriodSeconds(gpsLogEveryIndex);
    gpsLogFolder = settings.value("LogFiles/GPSLogFolder", LogFileNames::DefaultFolder()).toString();
    gpsLogPrefix = settings.value("LogFiles/GPSLogPrefix", QStringLiteral("GPS")).toString();

    ui->GpsLogTypeButtonGroup->button(gpsLogType)->setChecked(true);
    ui->IDC_GPSLOG_EVERY->setCurrentIndex(gpsLogEveryIndex);
    ui->IDC_GPSLOG_FOLDER->setText(gpsLogFolder);
    ui->IDC_GPSLOG_PREFIX->setText(gpsLogPrefix);
}

int GpsLogTypeDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    LoadSettings();
    return QDialog::exec();
}

void GpsLogTypeDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    QDialog::closeEvent(event);
}

void GpsLogTypeDialog::IDC_GPSLOG_BROWSE_clicked()
{
    LogDialogFields::BrowseFolder(this, ui->IDC_GPSLOG_FOLDER, QStringLiteral("GPS Data Log Folder"));
}

void GpsLogTypeDialog::OnOk()
{
    QString prefix;
    if (!LogDialogFields::TakePrefix(this, ui->IDC_GPSLOG_PREFIX, prefix))
        return;
    gpsLogType = qMax(0, ui->GpsLogTypeButtonGroup->checkedId());
    gpsLogEveryIndex = LogFileNames::ValidGpsLogEveryIndex(ui->IDC_GPSLOG_EVERY->currentIndex());
    gpsLogPeriod = LogFileNames::GpsLogPeriodSeconds(gpsLogEveryIndex);
    gpsLogFolder = ui->IDC_GPSLOG_FOLDER->text().trimmed();
    gpsLogPrefix = prefix;

    QSettings settings;
    settings.setValue("LogFiles/GPSLogType", gpsLogType);
    settings.setValue("LogFiles/GPSLogEvery", gpsLogEveryIndex);
    settings.setValue("LogFiles/GPSLogFolder", gpsLogFolder);
    settings.setValue("LogFiles/GPSLogPrefix", gpsLogPrefix);
    WindowGeometry::Save(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    done(1);
}

void GpsLogTypeDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    done(0);
}
