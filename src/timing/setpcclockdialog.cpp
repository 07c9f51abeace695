#include "setpcclockdialog.h"

#include "storedvalues.h"
#include "ui_setpcclockdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QSettings>
#include <QSignalBlocker>

#include <limits>

namespace {

const QString kGroup = QStringLiteral("SetPcClockDialog/");

QString Key(const char* name)
{
    return kGroup + QLatin1String(name);
}

}  // namespace

SetPcClockDialog::SetPcClockDialog(QWidget* parent) : QDialog(parent), ui(new Ui::SetPcClockDialog)
{
    ui->setupUi(this);
    // The designed size, grown where the fonts of this machine need more room.
    setFixedSize(size().expandedTo(sizeHint()));
    LoadPcClockSettings();

    connect(ui->IDC_CLOCK_SYNC_DISABLE, &QRadioButton::clicked, this, &SetPcClockDialog::IDC_CLOCK_SYNC_DISABLE_clicked);
    connect(ui->IDC_CLOCK_SYNC_ONCE, &QRadioButton::clicked, this, &SetPcClockDialog::IDC_CLOCK_SYNC_ONCE_clicked);
    connect(ui->IDC_CLOCK_SYNC_SEC, &QRadioButton::clicked, this, &SetPcClockDialog::IDC_CLOCK_SYNC_SEC_clicked);
    connect(ui->IDC_CLOCK_SYNC_MIN, &QRadioButton::clicked, this, &SetPcClockDialog::IDC_CLOCK_SYNC_MIN_clicked);
    connect(ui->IDC_CLOCK_SYNC_HOUR, &QRadioButton::clicked, this, &SetPcClockDialog::IDC_CLOCK_SYNC_HOUR_clicked);
    connect(ui->IDC_CLOCK_SYNC_DAY, &QRadioButton::clicked, this, &SetPcClockDialog::IDC_CLOCK_SYNC_DAY_clicked);
    connect(ui->IDC_CLOCK_SYNC_DELTA, &QCheckBox::clicked, this, &SetPcClockDialog::IDC_CLOCK_SYNC_DELTA_clicked);
    connect(ui->IDC_CLOCK_SYNC_DELTA_MS, &QLineEdit::editingFinished, this,
            &SetPcClockDialog::IDC_CLOCK_SYNC_DELTA_MS_editingFinished);
    connect(ui->IDC_AMC_ON, &QCheckBox::clicked, this, &SetPcClockDialog::IDC_AMC_ON_clicked);
    connect(ui->IDC_AMC_QTY, &QSpinBox::valueChanged, this, &SetPcClockDialog::IDC_AMC_QTY_valueChanged);
    connect(ui->IDC_AMC_UNITS, &QComboBox::currentIndexChanged, this,
            &SetPcClockDialog::IDC_AMC_UNITS_currentIndexChanged);
    connect(ui->IDC_CLOCK_SYNC_OVERRIDE_TRAIM, &QCheckBox::clicked, this,
            &SetPcClockDialog::IDC_CLOCK_SYNC_OVERRIDE_TRAIM_clicked);
    connect(ui->IDC_CLOCK_SYNC_OVERRIDE_INTEGRITY, &QCheckBox::clicked, this,
            &SetPcClockDialog::IDC_CLOCK_SYNC_OVERRIDE_INTEGRITY_clicked);
    connect(ui->OK, &QPushButton::clicked, this, &SetPcClockDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &SetPcClockDialog::OnCancel);
}

SetPcClockDialog::~SetPcClockDialog()
{
    delete ui;
}

int SetPcClockDialog::exec()
{
    LoadPcClockSettings();
    return QDialog::exec();
}

void SetPcClockDialog::closeEvent(QCloseEvent* event)
{
    SaveGeometry();
    QDialog::closeEvent(event);
}

void SetPcClockDialog::SaveGeometry()
{
    WindowGeometry::Save(this, Key("geometry"));
}

// The members take the stored values as they are; the controls show them without
// their change signals, so a load never rewrites a member through a clamped control.
void SetPcClockDialog::LoadPcClockSettings()
{
    QSettings settings;
    syncMode = StoredValues::Integer(settings, Key("Time Sync Mode"), 0, 0, 5, 0, StoredValues::Repair::WriteBack);
    QRadioButton* const modeButtons[6] = {ui->IDC_CLOCK_SYNC_DISABLE, ui->IDC_CLOCK_SYNC_ONCE,
                                          ui->IDC_CLOCK_SYNC_SEC,     ui->IDC_CLOCK_SYNC_MIN,
                                          ui->IDC_CLOCK_SYNC_HOUR,    ui->IDC_CLOCK_SYNC_DAY};
    modeButtons[syncMode]->setChecked(true);

    bSyncOnDelta = StoredValues::Switch(settings, Key("Time Sync Delta"), false);
    ui->IDC_CLOCK_SYNC_DELTA->setChecked(bSyncOnDelta);
    ui->IDC_CLOCK_SYNC_DELTA_MS->setEnabled(bSyncOnDelta);

    syncDeltaMs = StoredValues::Integer(settings, Key("Time Sync Delta Msec"), 1, 0, 999, 0);
    ui->IDC_CLOCK_SYNC_DELTA_MS->setText(QString::number(syncDeltaMs));

    bMaxCorrectionOn = StoredValues::Switch(settings, Key("Time Sync Max On"), false);
    maxCorrectionQty = StoredValues::Integer(settings, Key("Time Sync Max Qty"), 2);
    maxCorrectionUnits = StoredValues::Integer(settings, Key("Time SyncMax Units"), 0);
    {
        const QSignalBlocker quantity(ui->IDC_AMC_QTY);
        const QSignalBlocker units(ui->IDC_AMC_UNITS);
        ui->IDC_AMC_ON->setChecked(bMaxCorrectionOn);
        ui->IDC_AMC_QTY->setValue(maxCorrectionQty);
        ui->IDC_AMC_UNITS->setCurrentIndex(maxCorrectionUnits);
    }

    bOverrideTraim = StoredValues::Switch(settings, Key("Time Sync Override TRAIM"), false);
    bOverrideIntegrity = StoredValues::Switch(settings, Key("Time Sync Override Integrity"), false);
    ui->IDC_CLOCK_SYNC_OVERRIDE_TRAIM->setChecked(bOverrideTraim);
    ui->IDC_CLOCK_SYNC_OVERRIDE_INTEGRITY->setChecked(bOverrideIntegrity);

    WindowGeometry::Restore(this, Key("geometry"));
}

void SetPcClockDialog::SavePcClockSettings()
{
    QSettings settings;
    settings.setValue(Key("Time Sync Mode"), syncMode);
    settings.setValue(Key("Time Sync Delta"), bSyncOnDelta);
    settings.setValue(Key("Time Sync Delta Msec"), syncDeltaMs);
    settings.setValue(Key("Time Sync Override TRAIM"), bOverrideTraim);
    settings.setValue(Key("Time Sync Override Integrity"), bOverrideIntegrity);
    settings.setValue(Key("Time Sync Max On"), bMaxCorrectionOn);
    settings.setValue(Key("Time Sync Max Qty"), maxCorrectionQty);
    settings.setValue(Key("Time SyncMax Units"), maxCorrectionUnits);
}

void SetPcClockDialog::OnPcClockSet(QString syncTime)
{
    lastSyncText = syncTime;
    if (clockResetCount < std::numeric_limits<uint32_t>::max()) {
        ++clockResetCount;
        clockResetText = QString::asprintf("%u", clockResetCount);
    } else {
        clockResetText = QString::asprintf("> %u", clockResetCount);
    }
    // A closed dialog keeps the counts; its labels show what they showed when it was
    // last open.
    if (ui->IDC_CLOCK_SYNC_LAST->isVisible()) {
        ui->IDC_CLOCK_SYNC_LAST->setText(lastSyncText);
        ui->IDC_CLOCK_SYNC_COUNT->setText(clockResetText);
    }
}

void SetPcClockDialog::IDC_CLOCK_SYNC_DISABLE_clicked()
{
    syncMode = 0;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_ONCE_clicked()
{
    syncMode = 1;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_SEC_clicked()
{
    syncMode = 2;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_MIN_clicked()
{
    syncMode = 3;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_HOUR_clicked()
{
    syncMode = 4;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_DAY_clicked()
{
    syncMode = 5;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_DELTA_clicked(bool checked)
{
    bSyncOnDelta = checked;
    ui->IDC_CLOCK_SYNC_DELTA_MS->setEnabled(checked);
}

// A limit outside 1 to 999 ms switches the error rule off rather than keep a limit
// that either fires every second or never; the typed text stays for the operator to see.
void SetPcClockDialog::IDC_CLOCK_SYNC_DELTA_MS_editingFinished()
{
    bool ok = false;
    int value = ui->IDC_CLOCK_SYNC_DELTA_MS->text().toInt(&ok, 10);
    if (!ok)
        value = syncDeltaMs;
    if (value >= 1 && value <= 999) {
        syncDeltaMs = value;
        return;
    }
    bSyncOnDelta = false;
    syncDeltaMs = 1;
    ui->IDC_CLOCK_SYNC_DELTA->setChecked(false);
}

void SetPcClockDialog::IDC_AMC_ON_clicked(bool checked)
{
    bMaxCorrectionOn = checked;
}

void SetPcClockDialog::IDC_AMC_QTY_valueChanged(int arg1)
{
    maxCorrectionQty = arg1;
}

void SetPcClockDialog::IDC_AMC_UNITS_currentIndexChanged(int index)
{
    maxCorrectionUnits = index;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_OVERRIDE_TRAIM_clicked(bool checked)
{
    bOverrideTraim = checked;
}

void SetPcClockDialog::IDC_CLOCK_SYNC_OVERRIDE_INTEGRITY_clicked(bool checked)
{
    bOverrideIntegrity = checked;
}

void SetPcClockDialog::OnOk()
{
    SavePcClockSettings();
    done(1);
}

void SetPcClockDialog::OnCancel()
{
    LoadPcClockSettings();
    SaveGeometry();
    done(0);
}
