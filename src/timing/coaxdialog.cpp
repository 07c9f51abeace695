#include "coaxdialog.h"

#include "storedvalues.h"
#include "timingtotals.h"
#include "ui_coaxdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QRegularExpression>
#include <QSettings>
#include <cmath>

namespace {

struct CableFactor
{
    double factor;
    const char* name;
};

// Cable names and dielectric words, compared with the whole text of a velocity-factor
// box; the first equal name wins.
constexpr CableFactor kCableFactors[] = {
    {0.659, "RG-58A/U"},       {0.659, "RG-58C/U"},       {0.659, "RG-213"},   {0.659, "RG-59B/U"},
    {0.66, "POLY"},            {0.66, "RG-58/U"},         {0.66, "RG-214/U"},  {0.66, "RG-223/U"},
    {0.685, "RG-316/U"},
    {0.695, "TEFLON"},         {0.695, "RG-174/U"},       {0.695, "RG-178B/U"}, {0.695, "RG-196A/U"},
    {0.70, "RG-8X/Marine"},
    {0.78, "FOAM"},            {0.78, "RG-8X"},           {0.78, "RG-8FM"},    {0.78, "RG-59/CATV"},
    {0.82, "MICRO-CELL FOAM"}, {0.82, "RG-6/QUAD CATV"},
    {0.84, "AIR DIELECTRIC"},  {0.84, "AIR"},             {0.84, "9086"},      {0.84, "9096"},
    {0.84, "9913"},            {0.84, "LMR-240"},         {0.84, "RG-62A/U"},
    {0.85, "LMR-400"},
    {0.86, "LMR-500"},
    {0.87, "LMR-600"},         {0.87, "LMR-900"},         {0.87, "MICROCELL FOAM"},
    {0.88, "LMR-1200"},
    {0.89, "LMR-1700"},
};

constexpr double kMetresPerFoot = 0.3048;
constexpr double kLightMetresPerNs = 0.3;
constexpr int kLengthLow = 0;
constexpr int kLengthHigh = 9999;

// To the nearest 0.1 ns, halves up, within the int range of tenths.
double ToTenths(double ns)
{
    return TimingFields::WholeNumber(ns * 10.0 + 0.5) / 10.0;
}

QString WholeText(double value)
{
    return QString::number(TimingFields::WholeNumber(value));
}

}  // namespace

CoaxDialog::CoaxDialog(QWidget* parent) : QDialog(parent), ui(new Ui::CoaxDialog)
{
    ui->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint()));

    connect(ui->OK, &QPushButton::clicked, this, &CoaxDialog::OnOK);
    connect(ui->CANCEL, &QPushButton::clicked, this, &CoaxDialog::OnCancel);
    connect(ui->IDC_DC_LENGTH1, &QLineEdit::textEdited, this, &CoaxDialog::IDC_DC_LENGTH1_textEdited);
    connect(ui->IDC_DC_LENGTH1, &QLineEdit::editingFinished, this, &CoaxDialog::IDC_DC_LENGTH1_editingFinished);
    connect(ui->IDC_DC_LENGTH2, &QLineEdit::textEdited, this, &CoaxDialog::IDC_DC_LENGTH2_textEdited);
    connect(ui->IDC_DC_LENGTH2, &QLineEdit::editingFinished, this, &CoaxDialog::IDC_DC_LENGTH2_editingFinished);
    connect(ui->IDC_DC_LEN_DIM1, &QComboBox::currentIndexChanged, this,
            &CoaxDialog::IDC_DC_LEN_DIM1_currentIndexChanged);
    connect(ui->IDC_DC_LEN_DIM2, &QComboBox::currentIndexChanged, this,
            &CoaxDialog::IDC_DC_LEN_DIM2_currentIndexChanged);
    connect(ui->IDC_DC_VF1, &QComboBox::currentIndexChanged, this, &CoaxDialog::IDC_DC_VF1_currentIndexChanged);
    connect(ui->IDC_DC_VF2, &QComboBox::currentIndexChanged, this, &CoaxDialog::IDC_DC_VF2_currentIndexChanged);
    connect(ui->IDC_DC_VF1, &QComboBox::editTextChanged, this, &CoaxDialog::IDC_DC_VF1_editTextChanged);
    connect(ui->IDC_DC_VF2, &QComboBox::editTextChanged, this, &CoaxDialog::IDC_DC_VF2_editTextChanged);
}

CoaxDialog::~CoaxDialog()
{
    delete ui;
}

int CoaxDialog::exec()
{
    LoadCoaxSettings();
    return QDialog::exec();
}

void CoaxDialog::closeEvent(QCloseEvent* event)
{
    SaveGeometry();
    QDialog::closeEvent(event);
}

double CoaxDialog::VelocityFactorOf(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("\\+?[0]*\\.[0-9]+"));
    const QString upper = text.toUpper();
    const QRegularExpressionMatch match = number.match(upper);
    if (match.hasMatch())
        return match.captured().toDouble();
    for (const CableFactor& cable : kCableFactors) {
        if (upper.compare(QLatin1String(cable.name), Qt::CaseInsensitive) == 0)
            return cable.factor;
    }
    return 0.0;
}

double CoaxDialog::RunDelayNs(double length, bool bFeet, double velocityFactor)
{
    if (velocityFactor == 0.0 || !std::isfinite(length))
        return 0.0;
    const double metres = (bFeet ? kMetresPerFoot : 1.0) * length;
    return ToTenths(metres / (velocityFactor * kLightMetresPerNs));
}

double CoaxDialog::TotalDelayNs(double delay1Ns, double delay2Ns)
{
    return ToTenths(delay1Ns + delay2Ns);
}

void CoaxDialog::RecalculateDelay()
{
    auto runDelay = [](QLineEdit* length, QComboBox* unit, QComboBox* cable, QLineEdit* shown) {
        const double delay = RunDelayNs(TimingFields::NumberOf(length->text()),
                                        unit->currentText().toUpper() == QLatin1String("FEET"),
                                        VelocityFactorOf(cable->currentText()));
        shown->setText(WholeText(delay));
        return delay;
    };
    const double delay1 = runDelay(ui->IDC_DC_LENGTH1, ui->IDC_DC_LEN_DIM1, ui->IDC_DC_VF1, ui->IDC_DC_DELAY1);
    const double delay2 = runDelay(ui->IDC_DC_LENGTH2, ui->IDC_DC_LEN_DIM2, ui->IDC_DC_VF2, ui->IDC_DC_DELAY2);
    // The total adds the 0.1 ns delays, not the whole numbers shown.
    ui->IDC_DC_TOTAL_DELAY->setText(WholeText(TotalDelayNs(delay1, delay2)));
}

bool CoaxDialog::CheckIntegerField(QString text, int min, int max, bool bReport)
{
    return TimingFields::Check(this, text, min, max, bReport,
                               QString::asprintf("Field is out of range.\nMust be between %i and %i", min, max));
}

void CoaxDialog::LengthEdited(QLineEdit* field, const QString& text)
{
    // Both fields drive the one OK button: the latest edit of either decides.
    const bool valid = CheckIntegerField(text, kLengthLow, kLengthHigh, false);
    field->setStyleSheet(valid ? QStringLiteral("color:black") : QStringLiteral("color:red"));
    ui->OK->setEnabled(valid);
    if (valid)
        RecalculateDelay();
}

bool CoaxDialog::LengthFinished(QLineEdit* field)
{
    if (CheckIntegerField(field->text(), kLengthLow, kLengthHigh, true)) {
        RecalculateDelay();
        return true;
    }
    field->setFocus(Qt::OtherFocusReason);
    return false;
}

void CoaxDialog::IDC_DC_LENGTH1_textEdited(QString arg1)
{
    LengthEdited(ui->IDC_DC_LENGTH1, arg1);
}

void CoaxDialog::IDC_DC_LENGTH1_editingFinished()
{
    LengthFinished(ui->IDC_DC_LENGTH1);
}

void CoaxDialog::IDC_DC_LENGTH2_textEdited(QString arg1)
{
    LengthEdited(ui->IDC_DC_LENGTH2, arg1);
}

void CoaxDialog::IDC_DC_LENGTH2_editingFinished()
{
    LengthFinished(ui->IDC_DC_LENGTH2);
}

void CoaxDialog::IDC_DC_LEN_DIM1_currentIndexChanged(int)
{
    RecalculateDelay();
}

void CoaxDialog::IDC_DC_LEN_DIM2_currentIndexChanged(int)
{
    RecalculateDelay();
}

void CoaxDialog::IDC_DC_VF1_currentIndexChanged(int)
{
    RecalculateDelay();
}

void CoaxDialog::IDC_DC_VF2_currentIndexChanged(int)
{
    RecalculateDelay();
}

void CoaxDialog::IDC_DC_VF1_editTextChanged(QString)
{
    RecalculateDelay();
}

void CoaxDialog::IDC_DC_VF2_editTextChanged(QString)
{
    RecalculateDelay();
}

void CoaxDialog::OnOK()
{
    SaveCoaxSettings();
    done(1);
}

void CoaxDialog::OnCancel()
{
    SaveGeometry();
    done(0);
}

void CoaxDialog::LoadCoaxSettings()
{
    WindowGeometry::Restore(this, settingsGroup + QStringLiteral("/geometry"));
    QSettings settings;
    auto value = [&](const char* suffix, const char* fallback) {
        return settings.value(settingsGroup + QLatin1String(suffix), QLatin1String(fallback)).toString();
    };
    auto length = [&](const char* suffix) {
        return WholeText(StoredValues::Real(settings, settingsGroup + QLatin1String(suffix), 0.0));
    };
    ui->IDC_DC_LENGTH1->setText(length("/dLength_1"));
    ui->IDC_DC_LENGTH2->setText(length("/dLength_2"));
    dimension1 = value("/Dimension_1", "Feet");
    dimension2 = value("/Dimension_2", "Feet");
    velocityFactor1 = value("/VelocityFactor_1", "LMR-240");
    velocityFactor2 = value("/VelocityFactor_2", "LMR-240");

    // A unit text without its item leaves the unit as it was.
    auto selectUnit = [](QComboBox* box, const QString& text) {
        const int index = box->findText(text);
        if (index >= 0)
            box->setCurrentIndex(index);
    };
    selectUnit(ui->IDC_DC_LEN_DIM1, dimension1);
    selectUnit(ui->IDC_DC_LEN_DIM2, dimension2);
    ui->IDC_DC_VF1->setEditText(velocityFactor1);
    ui->IDC_DC_VF2->setEditText(velocityFactor2);
    RecalculateDelay();
}

void CoaxDialog::SaveCoaxSettings()
{
    SaveGeometry();
    // A bad length is reported, and stored as it reads all the same.
    LengthFinished(ui->IDC_DC_LENGTH1);
    const double length1 = TimingFields::NumberOf(ui->IDC_DC_LENGTH1->text());
    LengthFinished(ui->IDC_DC_LENGTH2);
    const double length2 = TimingFields::NumberOf(ui->IDC_DC_LENGTH2->text());

    QSettings settings;
    settings.setValue(settingsGroup + QStringLiteral("/dLength_1"), length1);
    settings.setValue(settingsGroup + QStringLiteral("/dLength_2"), length2);
    dimension1 = ui->IDC_DC_LEN_DIM1->currentText();
    dimension2 = ui->IDC_DC_LEN_DIM2->currentText();
    velocityFactor1 = ui->IDC_DC_VF1->currentText();
    velocityFactor2 = ui->IDC_DC_VF2->currentText();
    settings.setValue(settingsGroup + QStringLiteral("/Dimension_1"), dimension1);
    settings.setValue(settingsGroup + QStringLiteral("/Dimension_2"), dimension2);
    settings.setValue(settingsGroup + QStringLiteral("/VelocityFactor_1"), velocityFactor1);
    settings.setValue(settingsGroup + QStringLiteral("/VelocityFactor_2"), velocityFactor2);
    totalDelayNs = TimingFields::NumberOf(ui->IDC_DC_TOTAL_DELAY->text());
}

void CoaxDialog::SaveGeometry()
{
    WindowGeometry::Save(this, settingsGroup + QStringLiteral("/geometry"));
}
