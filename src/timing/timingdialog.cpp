#include "timingdialog.h"

#include "coaxdialog.h"
#include "storedvalues.h"
#include "timingtotals.h"
#include "ui_timingdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QSettings>
#include <cmath>

namespace {

const QString kGeometryKey = QStringLiteral("TimingDialog/geometry");
const QString kEpochKey = QStringLiteral("TimingDialog/Epoch");
const QString kFineOffsetKey = QStringLiteral("TimingDialog/1pps Delay");
const QString kAntennaCableKey = QStringLiteral("TimingDialog/Antenna Cable Delay");
const QString kMeasurementCableKey = QStringLiteral("TimingDialog/Measurement Cable Delay");
const QString kReceiverDelayKey = QStringLiteral("TimingDialog/Rx Delay");
const QString kExtraDelayKey = QStringLiteral("TimingDialog/Extra Delay");
const QString kTraimKey = QStringLiteral("TimingDialog/T-Raim");
const QString kTraimKillKey = QStringLiteral("TimingDialog/T-Raim Conditioned 1pps");
const QString kTicAutoCorrectKey = QStringLiteral("TimingDialog/TIC Auto Correct");
const QString kSawtoothKey = QStringLiteral("TimingDialog/Sawtooth Auto Correct");

constexpr int kSawtoothOff = 3;

// Bounds of each number field, inclusive; the microsecond fields have real bounds and
// take whole numbers all the same.
struct FieldRule
{
    double low;
    double high;
    bool bReal;
};
constexpr FieldRule kFieldRules[] = {
    {0, 999, false},        // epoch, ms
    {0.0, 999.999, true},   // fine offset, us
    {250, 1000, false},     // T-RAIM limit, ns
    {0, 20000, false},      // antenna cable, ns
    {0, 20000, false},      // measurement cable, ns
    {0, 1000, false},       // receiver delay, ns
    {0.0, 999.999, true},   // extra early offset, us
};

QString WholeText(double value)
{
    return QString::number(TimingFields::WholeNumber(value));
}

}  // namespace

TimingDialog::TimingDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TimingDialog)
{
    ui->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint()));

    connect(ui->OK, &QPushButton::clicked, this, &TimingDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TimingDialog::OnCancel);
    connect(ui->AntennaCableHelp, &QPushButton::clicked, this, &TimingDialog::OpenAntennaCoaxCalculator);
    connect(ui->MesurementCableHelp, &QPushButton::clicked, this, &TimingDialog::OpenMeasurementCoaxCalculator);
    connect(ui->IDC_TIMING_EPOCH, &QLineEdit::editingFinished, this, &TimingDialog::IDC_TIMING_EPOCH_editingFinished);
    connect(ui->IDC_TIMING_EPOCH, &QLineEdit::textEdited, this, &TimingDialog::IDC_TIMING_EPOCH_textEdited);
    connect(ui->IDC_TIMING_OFFSET, &QLineEdit::editingFinished, this,
            &TimingDialog::IDC_TIMING_OFFSET_editingFinished);
    connect(ui->IDC_TIMING_OFFSET, &QLineEdit::textEdited, this, &TimingDialog::IDC_TIMING_OFFSET_textEdited);
    connect(ui->IDC_TIMING_RAIM, &QLineEdit::editingFinished, this, &TimingDialog::IDC_TIMING_RAIM_editingFinished);
    connect(ui->IDC_TIMING_RAIM, &QLineEdit::textEdited, this, &TimingDialog::IDC_TIMING_RAIM_textEdited);
    connect(ui->IDC_TIMING_ANT_CABLE, &QLineEdit::editingFinished, this,
            &TimingDialog::IDC_TIMING_ANT_CABLE_editingFinished);
    connect(ui->IDC_TIMING_ANT_CABLE, &QLineEdit::textEdited, this, &TimingDialog::IDC_TIMING_ANT_CABLE_textEdited);
    connect(ui->IDC_TIMING_MES_CABLE, &QLineEdit::editingFinished, this,
            &TimingDialog::IDC_TIMING_MES_CABLE_editingFinished);
    connect(ui->IDC_TIMING_MES_CABLE, &QLineEdit::textEdited, this, &TimingDialog::IDC_TIMING_MES_CABLE_textEdited);
    connect(ui->IDC_TIMING_RCVR_DELAY, &QLineEdit::editingFinished, this,
            &TimingDialog::IDC_TIMING_RCVR_DELAY_editingFinished);
    connect(ui->IDC_TIMING_RCVR_DELAY, &QLineEdit::textEdited, this,
            &TimingDialog::IDC_TIMING_RCVR_DELAY_textEdited);
    connect(ui->IDC_TIMING_EXTRA_DELAY, &QLineEdit::editingFinished, this,
            &TimingDialog::IDC_TIMING_EXTRA_DELAY_editingFinished);
    connect(ui->IDC_TIMING_EXTRA_DELAY, &QLineEdit::textEdited, this,
            &TimingDialog::IDC_TIMING_EXTRA_DELAY_textEdited);
    connect(ui->IDC_TIMING_EP_RESET, &QPushButton::clicked, this, &TimingDialog::IDC_TIMING_EP_RESET_clicked);
    connect(ui->IDC_TIMING_ED_RESET, &QPushButton::clicked, this, &TimingDialog::IDC_TIMING_ED_RESET_clicked);
    connect(ui->IDC_TIMING_DEFAULTS, &QPushButton::clicked, this, &TimingDialog::IDC_TIMING_DEFAULTS_clicked);

    // The receiver set-up and the TIC correction read the members from the start, so the
    // stored corrections and their totals apply before the dialog is ever opened. The
    // totals are those the fields would show: whole numbers of each stored value.
    ReadStoredValues();
    const TimingTotals totals = ComputeTimingTotals({
        .antennaCableDelayNs = double(TimingFields::WholeNumber(antennaCableDelayNs)),
        .measurementCableDelayNs = double(TimingFields::WholeNumber(measurementCableDelayNs)),
        .receiverDelayNs = double(TimingFields::WholeNumber(receiverDelayNs)),
        .epochMs = epochMs,
        .ppsFineOffsetUs = double(TimingFields::WholeNumber(ppsFineOffsetUs)),
        .extraEarlyOffsetUs = double(TimingFields::WholeNumber(extraEarlyOffsetUs)),
    });
    utcCorrectionNs = totals.utcCorrectionNs;
    ppsOffsetEarlyUs = totals.ppsOffsetEarlyUs;
    ppsOffsetLateUs = totals.ppsOffsetLateUs;
}

TimingDialog::~TimingDialog()
{
    delete ui;
}

int TimingDialog::exec()
{
    LoadTimingSettings();
    return QDialog::exec();
}

void TimingDialog::closeEvent(QCloseEvent* event)
{
    SaveGeometry();
    QDialog::closeEvent(event);
}

QLineEdit* TimingDialog::FieldWidget(Field field) const
{
    QLineEdit* const fields[FieldCount] = {ui->IDC_TIMING_EPOCH,     ui->IDC_TIMING_OFFSET,
                                           ui->IDC_TIMING_RAIM,      ui->IDC_TIMING_ANT_CABLE,
                                           ui->IDC_TIMING_MES_CABLE, ui->IDC_TIMING_RCVR_DELAY,
                                           ui->IDC_TIMING_EXTRA_DELAY};
    return fields[field];
}

bool TimingDialog::ValidateIntField(QWidget* parent, const QString& text, int min, int max, bool bShowMessage)
{
    return TimingFields::Check(parent, text, min, max, bShowMessage,
                               QString::asprintf("Field is out of range.\nMust be between %i and %i", min, max));
}

bool TimingDialog::ValidateRealField(QWidget* parent, const QString& text, double min, double max,
                                     bool bShowMessage)
{
    // Only whole numbers are taken, so the real bounds come down to the whole numbers inside them.
    return TimingFields::Check(parent, text, TimingFields::WholeNumber(std::ceil(min)),
                               TimingFields::WholeNumber(std::floor(max)), bShowMessage,
                               QString::asprintf("Field is out of range.\nMust be between %.3f and %.3f", min, max));
}

bool TimingDialog::CheckField(Field field, const QString& text, bool bShowMessage)
{
    const FieldRule& rule = kFieldRules[field];
    if (rule.bReal)
        return ValidateRealField(this, text, rule.low, rule.high, bShowMessage);
    return ValidateIntField(this, text, int(rule.low), int(rule.high), bShowMessage);
}

void TimingDialog::LiveCheck(Field field, const QString& text)
{
    const bool valid = CheckField(field, text, false);
    FieldWidget(field)->setStyleSheet(valid ? QStringLiteral("color:black") : QStringLiteral("color:red"));
    ui->OK->setEnabled(valid);
    // The T-RAIM limit enters no total.
    if (valid && field != Raim)
        UpdateTotals();
}

void TimingDialog::CommitCheck(Field field)
{
    if (!CheckField(field, FieldWidget(field)->text(), true))
        FieldWidget(field)->setFocus(Qt::OtherFocusReason);
}

void TimingDialog::IDC_TIMING_EPOCH_textEdited(const QString& arg1)
{
    LiveCheck(Epoch, arg1);
}

void TimingDialog::IDC_TIMING_OFFSET_textEdited(const QString& arg1)
{
    LiveCheck(Offset, arg1);
}

void TimingDialog::IDC_TIMING_RAIM_textEdited(const QString& arg1)
{
    LiveCheck(Raim, arg1);
}

void TimingDialog::IDC_TIMING_ANT_CABLE_textEdited(const QString& arg1)
{
    LiveCheck(AntennaCable, arg1);
}

void TimingDialog::IDC_TIMING_MES_CABLE_textEdited(const QString& arg1)
{
    LiveCheck(MeasurementCable, arg1);
}

void TimingDialog::IDC_TIMING_RCVR_DELAY_textEdited(const QString& arg1)
{
    LiveCheck(ReceiverDelay, arg1);
}

void TimingDialog::IDC_TIMING_EXTRA_DELAY_textEdited(const QString& arg1)
{
    LiveCheck(ExtraDelay, arg1);
}

void TimingDialog::IDC_TIMING_EPOCH_editingFinished()
{
    CommitCheck(Epoch);
}

void TimingDialog::IDC_TIMING_OFFSET_editingFinished()
{
    CommitCheck(Offset);
}

void TimingDialog::IDC_TIMING_RAIM_editingFinished()
{
    CommitCheck(Raim);
}

void TimingDialog::IDC_TIMING_ANT_CABLE_editingFinished()
{
    CommitCheck(AntennaCable);
}

void TimingDialog::IDC_TIMING_MES_CABLE_editingFinished()
{
    CommitCheck(MeasurementCable);
}

void TimingDialog::IDC_TIMING_RCVR_DELAY_editingFinished()
{
    CommitCheck(ReceiverDelay);
}

void TimingDialog::IDC_TIMING_EXTRA_DELAY_editingFinished()
{
    CommitCheck(ExtraDelay);
}

void TimingDialog::UpdateTotals()
{
    using TimingFields::NumberOf;
    const TimingTotals totals = ComputeTimingTotals({
        .antennaCableDelayNs = NumberOf(ui->IDC_TIMING_ANT_CABLE->text()),
        .measurementCableDelayNs = NumberOf(ui->IDC_TIMING_MES_CABLE->text()),
        .receiverDelayNs = NumberOf(ui->IDC_TIMING_RCVR_DELAY->text()),
        .epochMs = TimingFields::IntegerOf(ui->IDC_TIMING_EPOCH->text()),
        .ppsFineOffsetUs = NumberOf(ui->IDC_TIMING_OFFSET->text()),
        .extraEarlyOffsetUs = NumberOf(ui->IDC_TIMING_EXTRA_DELAY->text()),
    });
    ui->IDC_TIMING_TOTAL_UDELAY->setText(QString::number(totals.utcCorrectionNs));
    ui->IDC_TIMING_TOTAL_EDELAY1->setText(QString::number(totals.ppsOffsetEarlyUs));
    ui->IDC_TIMING_TOTAL_EDELAY2->setText(QString::number(totals.ppsOffsetLateUs));
}

void TimingDialog::IDC_TIMING_EP_RESET_clicked()
{
    ui->IDC_TIMING_EPOCH->setText(QStringLiteral("0"));
    ui->IDC_TIMING_OFFSET->setText(QStringLiteral("0"));
    UpdateTotals();
}

void TimingDialog::IDC_TIMING_ED_RESET_clicked()
{
    ui->IDC_TIMING_ANT_CABLE->setText(QStringLiteral("0"));
    ui->IDC_TIMING_MES_CABLE->setText(QStringLiteral("0"));
    ui->IDC_TIMING_RCVR_DELAY->setText(QStringLiteral("55"));
    ui->IDC_TIMING_EXTRA_DELAY->setText(QStringLiteral("0"));
    UpdateTotals();
}

void TimingDialog::IDC_TIMING_DEFAULTS_clicked()
{
    IDC_TIMING_EP_RESET_clicked();
    IDC_TIMING_ED_RESET_clicked();
    // These three members change at once, not only on OK.
    traimLimitNs = 500.0;
    ui->IDC_TIMING_RAIM->setText(QStringLiteral("500"));
    bTraimKill1pps = false;
    ui->IDC_TIMING_RAIM_KILL_1PPS->setChecked(false);
    sawtoothMode = 0;
    ui->IDC_SAWTOOTH_AUTO->setChecked(true);
}

void TimingDialog::OpenCoaxCalculator(const QString& group, QLineEdit* cableField)
{
    if (!coaxDialog)
        coaxDialog = new CoaxDialog(this);
    coaxDialog->settingsGroup = group;
    if (coaxDialog->exec() == 0)
        return;
    // Written unchecked: a total above the field's range is reported when OK checks it.
    cableField->setText(WholeText(coaxDialog->totalDelayNs));
    UpdateTotals();
}

void TimingDialog::OpenAntennaCoaxCalculator()
{
    OpenCoaxCalculator(QStringLiteral("Antenna Coax Calculator"), ui->IDC_TIMING_ANT_CABLE);
}

void TimingDialog::OpenMeasurementCoaxCalculator()
{
    OpenCoaxCalculator(QStringLiteral("Measurement Coax Calculator"), ui->IDC_TIMING_MES_CABLE);
}

void TimingDialog::ReadStoredValues()
{
    QSettings settings;
    using StoredValues::Real;
    epochMs = StoredValues::Integer(settings, kEpochKey, 0);
    ppsFineOffsetUs = Real(settings, kFineOffsetKey, 0.0);
    antennaCableDelayNs = Real(settings, kAntennaCableKey, 0.0);
    measurementCableDelayNs = Real(settings, kMeasurementCableKey, 0.0);
    receiverDelayNs = Real(settings, kReceiverDelayKey, 55.0);
    extraEarlyOffsetUs = Real(settings, kExtraDelayKey, 0.0);
    traimLimitNs = Real(settings, kTraimKey, 500.0);
    bTraimKill1pps = StoredValues::Switch(settings, kTraimKillKey, false);
    bTicAutoCorrect = StoredValues::Switch(settings, kTicAutoCorrectKey, true);
    sawtoothMode = StoredValues::Integer(settings, kSawtoothKey, 0, 0, kSawtoothOff, kSawtoothOff);
}

void TimingDialog::LoadTimingSettings()
{
    WindowGeometry::Restore(this, kGeometryKey);
    ReadStoredValues();
    ui->IDC_TIMING_RAIM_KILL_1PPS->setChecked(bTraimKill1pps);
    // The fields show whole numbers: a stored 55.7 shows as 55.
    ui->IDC_TIMING_ANT_CABLE->setText(WholeText(antennaCableDelayNs));
    ui->IDC_TIMING_EPOCH->setText(QString::number(epochMs));
    ui->IDC_TIMING_EXTRA_DELAY->setText(WholeText(extraEarlyOffsetUs));
    ui->IDC_TIMING_MES_CABLE->setText(WholeText(measurementCableDelayNs));
    ui->IDC_TIMING_RCVR_DELAY->setText(WholeText(receiverDelayNs));
    ui->IDC_TIMING_OFFSET->setText(WholeText(ppsFineOffsetUs));
    ui->IDC_TIMING_RAIM->setText(WholeText(traimLimitNs));
    ui->IDC_TIMING_TIC_AUTO_CORRECT->setChecked(bTicAutoCorrect);
    QRadioButton* const sawtoothButtons[] = {ui->IDC_SAWTOOTH_AUTO, ui->IDC_SAWTOOTH_ADD, ui->IDC_SAWTOOTH_SUB,
                                             ui->IDC_SAWTOOTH_OFF};
    sawtoothButtons[sawtoothMode]->setChecked(true);
    UpdateTotals();
}

void TimingDialog::SaveTimingSettings()
{
    // Each bad field says so and takes the focus; the values are saved as they are.
    for (int field = Epoch; field < FieldCount; ++field)
        CommitCheck(Field(field));

    using TimingFields::NumberOf;
    antennaCableDelayNs = NumberOf(ui->IDC_TIMING_ANT_CABLE->text());
    extraEarlyOffsetUs = NumberOf(ui->IDC_TIMING_EXTRA_DELAY->text());
    measurementCableDelayNs = NumberOf(ui->IDC_TIMING_MES_CABLE->text());
    receiverDelayNs = NumberOf(ui->IDC_TIMING_RCVR_DELAY->text());
    ppsFineOffsetUs = NumberOf(ui->IDC_TIMING_OFFSET->text());
    traimLimitNs = NumberOf(ui->IDC_TIMING_RAIM->text());
    epochMs = TimingFields::IntegerOf(ui->IDC_TIMING_EPOCH->text());
    ppsOffsetEarlyUs = NumberOf(ui->IDC_TIMING_TOTAL_EDELAY1->text());
    ppsOffsetLateUs = NumberOf(ui->IDC_TIMING_TOTAL_EDELAY2->text());
    utcCorrectionNs = NumberOf(ui->IDC_TIMING_TOTAL_UDELAY->text());
    bTraimKill1pps = ui->IDC_TIMING_RAIM_KILL_1PPS->isChecked();
    bTicAutoCorrect = ui->IDC_TIMING_TIC_AUTO_CORRECT->isChecked();
    sawtoothMode = ui->IDC_SAWTOOTH_AUTO->isChecked()  ? 0
                 : ui->IDC_SAWTOOTH_ADD->isChecked()   ? 1
                 : ui->IDC_SAWTOOTH_SUB->isChecked()   ? 2
                 : ui->IDC_SAWTOOTH_OFF->isChecked()   ? kSawtoothOff
                                                       : -1;

    QSettings settings;
    if (StoredValues::Integer(settings, kSawtoothKey, 0) != sawtoothMode)
        bSawtoothModeChanged = true;
    SaveGeometry();
    settings.setValue(kEpochKey, epochMs);
    settings.setValue(kFineOffsetKey, ppsFineOffsetUs);
    settings.setValue(kAntennaCableKey, antennaCableDelayNs);
    settings.setValue(kMeasurementCableKey, measurementCableDelayNs);
    settings.setValue(kReceiverDelayKey, receiverDelayNs);
    settings.setValue(kExtraDelayKey, extraEarlyOffsetUs);
    settings.setValue(kTraimKey, traimLimitNs);
    settings.setValue(kTraimKillKey, bTraimKill1pps);
    settings.setValue(kTicAutoCorrectKey, bTicAutoCorrect);
    settings.setValue(kSawtoothKey, sawtoothMode);
}

void TimingDialog::OnOk()
{
    SaveTimingSettings();
    done(1);
}

void TimingDialog::OnCancel()
{
    SaveGeometry();
    done(0);
}

void TimingDialog::SaveGeometry()
{
    WindowGeometry::Save(this, kGeometryKey);
}
