#include "ticfiledialog.h"

#include "logdialogfields.h"
#include "logfilenames.h"
#include "numericfield.h"
#include "storedvalues.h"
#include "ui_ticfiledialog.h"
#include "windowgeometry.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QSettings>

TicFileDialog::TicFileDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TicFileDialog)
{
    ui->setupUi(this);
    ui->TicLogStyleButtonGroup->setId(ui->IDC_TICLOG_SPACE, 0);
    ui->TicLogStyleButtonGroup->setId(ui->IDC_TICLOG_COMMA, 1);
    ui->TicLogStyleButtonGroup->setId(ui->IDC_TICLOG_TAB, 2);
    ui->TicTimeTagButtonGroup->setId(ui->IDC_TICLOG_TAG_YEARDAY, 0);
    ui->TicTimeTagButtonGroup->setId(ui->IDC_TICLOG_TAG_MJD, 1);
    ui->TicTimeTagButtonGroup->setId(ui->IDC_TICLOG_TAG_DAYS1900, 2);
    connect(ui->OK, &QPushButton::clicked, this, &TicFileDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TicFileDialog::OnCancel);
    connect(ui->IDC_TICLOG_BROWSE, &QPushButton::clicked, this, &TicFileDialog::IDC_TICLOG_BROWSE_clicked);
    connect(ui->IDC_TICLOG_TIME_PERIOD, &QLineEdit::textEdited, this,
            &TicFileDialog::IDC_TICLOG_TIME_PERIOD_textEdited);
    connect(ui->IDC_TICLOG_AVG_PERIOD, &QLineEdit::textEdited, this,
            &TicFileDialog::IDC_TICLOG_AVG_PERIOD_textEdited);
    LoadSettings();
}

TicFileDialog::~TicFileDialog()
{
    delete ui;
}

void TicFileDialog::LoadSettings()
{
    QSettings settings;
    ticLogStyle = StoredValues::Integer(settings, "LogFiles/TicLogStyle", 1, 0, 2, 1);
    ticTimeTagFormat = StoredValues::Integer(settings, "LogFiles/TicTimeTagFormat", 2, 0, 2, 2);
    ticTimeLogPeriod = StoredValues::Integer(settings, "LogFiles/TicTimeLogPeriod", 1, 1, kMaxPeriod, 1);
    ticAveragingPeriod = StoredValues::Integer(settings, "LogFiles/TicAveragingPeriod", 300, 1, kMaxPeriod, 300);
    ticLogFolder = settings.value("LogFiles/TicLogFolder", LogFileNames::DefaultFolder()).toString();
    ticLogPrefix = settings.value("LogFiles/TicLogPrefix", QStringLiteral("TIC")).toString();

    ui->TicLogStyleButtonGroup->button(ticLogStyle)->setChecked(true);
    ui->TicTimeTagButtonGroup->button(ticTimeTagFormat)->setChecked(true);
    ui->IDC_TICLOG_TIME_PERIOD->setText(QString::number(ticTimeLogPeriod));
    ui->IDC_TICLOG_AVG_PERIOD->setText(QString::number(ticAveragingPeriod));
    NumericField::ShowValidity(ui->IDC_TICLOG_TIME_PERIOD, 1, kMaxPeriod);
    NumericField::ShowValidity(ui->IDC_TICLOG_AVG_PERIOD, 1, kMaxPeriod);
    ui->IDC_TICLOG_FOLDER->setText(ticLogFolder);
    ui->IDC_TICLOG_PREFIX->setText(ticLogPrefix);
}

int TicFileDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("TicFileDialog/geometry"));
    LoadSettings();
    return QDialog::exec();
}

void TicFileDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("TicFileDialog/geometry"));
    QDialog::closeEvent(event);
}

void TicFileDialog::IDC_TICLOG_BROWSE_clicked()
{
    LogDialogFields::BrowseFolder(this, ui->IDC_TICLOG_FOLDER, QStringLiteral("TIC Data Log Folder"));
}

void TicFileDialog::IDC_TICLOG_TIME_PERIOD_textEdited()
{
    NumericField::ShowValidity(ui->IDC_TICLOG_TIME_PERIOD, 1, kMaxPeriod);
}

void TicFileDialog::IDC_TICLOG_AVG_PERIOD_textEdited()
{
    NumericField::ShowValidity(ui->IDC_TICLOG_AVG_PERIOD, 1, kMaxPeriod);
}

void TicFileDialog::OnOk()
{
    int timePeriod = 0;
    int averagingPeriod = 0;
    if (!NumericField::Take(this, ui->IDC_TICLOG_TIME_PERIOD, 1, kMaxPeriod, timePeriod) ||
        !NumericField::Take(this, ui->IDC_TICLOG_AVG_PERIOD, 1, kMaxPeriod, averagingPeriod))
        return;
    QString prefix;
    if (!LogDialogFields::TakePrefix(this, ui->IDC_TICLOG_PREFIX, prefix))
        return;
    ticLogStyle = qMax(0, ui->TicLogStyleButtonGroup->checkedId());
    ticTimeTagFormat = qMax(0, ui->TicTimeTagButtonGroup->checkedId());
    ticTimeLogPeriod = timePeriod;
    ticAveragingPeriod = averagingPeriod;
    ticLogFolder = ui->IDC_TICLOG_FOLDER->text().trimmed();
    ticLogPrefix = prefix;

    QSettings settings;
    settings.setValue("LogFiles/TicLogStyle", ticLogStyle);
    settings.setValue("LogFiles/TicTimeTagFormat", ticTimeTagFormat);
    settings.setValue("LogFiles/TicTimeLogPeriod", ticTimeLogPeriod);
    settings.setValue("LogFiles/TicAveragingPeriod", ticAveragingPeriod);
    settings.setValue("LogFiles/TicLogFolder", ticLogFolder);
    settings.setValue("LogFiles/TicLogPrefix", ticLogPrefix);
    WindowGeometry::Save(this, QStringLiteral("TicFileDialog/geometry"));
    done(1);
}

void TicFileDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("TicFileDialog/geometry"));
    done(0);
}
