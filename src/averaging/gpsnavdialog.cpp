#include "gpsnavdialog.h"

#include "ui_gpsnavdialog.h"
#include "utcdatetime.h"
#include "windowgeometry.h"

#include "numericfield.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QCloseEvent>
#include <QLabel>
#include <QSettings>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kIntegerFieldMax = 99999.0;
constexpr double kFloatFieldMax = 99.0;

}  // namespace

GpsNavDialog::GpsNavDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsNavDialog)
{
    ui->setupUi(this);
    setFixedSize(size());
    BuildErrorTable();
    // Nothing is shown yet: only the two restart flags and their boxes change here.
    IDC_AVERAGING_DEFAULTS_clicked();
    LoadSettings();
    if (!bContinueOnRestart)
        ResetAverages();
    // Until the receiver set-up gives the attached receiver's own.
    timingSigma1Ns = 500.0;
    timingSigma2Ns = 500.0;
    timingVariance = 500000.0;

    connect(ui->OK, &QPushButton::clicked, this, &GpsNavDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsNavDialog::OnCancel);
    connect(ui->IDC_POS_FILTER_RESET, &QPushButton::clicked, this, &GpsNavDialog::IDC_POS_FILTER_RESET_clicked);
    connect(ui->IDC_RMS_FILTER_RESET, &QPushButton::clicked, this, &GpsNavDialog::IDC_RMS_FILTER_RESET_clicked);
    connect(ui->IDC_TIMING_FILTER_RESET, &QPushButton::clicked, this,
            &GpsNavDialog::IDC_TIMING_FILTER_RESET_clicked);
    connect(ui->IDC_AVERAGING_RESET_ALL, &QPushButton::clicked, this,
            &GpsNavDialog::IDC_AVERAGING_RESET_ALL_clicked);
    connect(ui->IDC_UNLOCK_COUNTER_RESET, &QPushButton::clicked, this,
            &GpsNavDialog::IDC_UNLOCK_COUNTER_RESET_clicked);
    connect(ui->IDC_AVERAGING_DEFAULTS, &QPushButton::clicked, this,
            &GpsNavDialog::IDC_AVERAGING_DEFAULTS_clicked);
    const struct
    {
        QLineEdit* field;
        void (GpsNavDialog::*edited)(QString);
        void (GpsNavDialog::*finished)();
    } fields[] = {
        {ui->IDC_POS_FILTER_LIMIT, &GpsNavDialog::IDC_POS_FILTER_LIMIT_textEdited,
         &GpsNavDialog::IDC_POS_FILTER_LIMIT_editingFinished},
        {ui->IDC_RMS_FILTER_LIMIT, &GpsNavDialog::IDC_RMS_FILTER_LIMIT_textEdited,
         &GpsNavDialog::IDC_RMS_FILTER_LIMIT_editingFinished},
        {ui->IDC_TIMING_FILTER_LIMIT, &GpsNavDialog::IDC_TIMING_FILTER_LIMIT_textEdited,
         &GpsNavDialog::IDC_TIMING_FILTER_LIMIT_editingFinished},
        {ui->IDC_HDOP_WEIGHTING_VALUE, &GpsNavDialog::IDC_HDOP_WEIGHTING_VALUE_textEdited,
         &GpsNavDialog::IDC_HDOP_WEIGHTING_VALUE_editingFinished},
        {ui->IDC_VDOP_WEIGHTING_VALUE, &GpsNavDialog::IDC_VDOP_WEIGHTING_VALUE_textEdited,
         &GpsNavDialog::IDC_VDOP_WEIGHTING_VALUE_editingFinished},
        {ui->IDC_TDOP_WEIGHTING_VALUE, &GpsNavDialog::IDC_TDOP_WEIGHTING_VALUE_textEdited,
         &GpsNavDialog::IDC_TDOP_WEIGHTING_VALUE_editingFinished},
    };
    for (const auto& f : fields) {
        connect(f.field, &QLineEdit::textEdited, this, f.edited);
        connect(f.field, &QLineEdit::editingFinished, this, f.finished);
    }
}

void GpsNavDialog::BuildErrorTable()
{
    QTableWidget* table = ui->AveragingTableWidget;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setDragDropMode(QAbstractItemView::NoDragDrop);
    table->setColumnWidth(0, 80);
    // Before a reference location is set, its differences run to millions of metres:
    // the number columns share the table's spare width and its smaller face.
    table->setFont(QFont(QStringLiteral("Verdana"), 8));
    for (int column = 1; column < table->columnCount(); ++column)
        table->setColumnWidth(column, 78);
    table->setStyleSheet(QStringLiteral("background-color: transparent;"));
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
            table->setItem(row, column, item);
        }
    }
    QFont first(QStringLiteral("Verdana"), 8);
    table->item(0, 0)->setFont(first);
    const char* const columns[] = {"Latitude", "Longitude", "- 2D -", "Alt(GPS)", "Alt(MSL)"};
    for (int column = 1; column <= 5; ++column)
        table->item(0, column)->setText(QString::fromLatin1(columns[column - 1]));
    const char* const rows[] = {"Ref-Avg (m)", "RMS:", "Avg-Cur (m)", "RMS:", "Ref-Cur (m)", "RMS:"};
    for (int row = 1; row <= 6; ++row)
        table->item(row, 0)->setText(QString::fromLatin1(rows[row - 1]));
    table->verticalHeader()->setMinimumSectionSize(8);
    table->verticalHeader()->setDefaultSectionSize(16);
    for (int row = 0; row < 4; ++row)
        table->setRowHeight(row, 16);
}

void GpsNavDialog::RestartAveraging()
{
    // The saved averages are taken up, or restarted, at the first receiver set-up of a
    // run only. A later one on the same port and mode (a search again, a port back after
    // a loss) finds the same receiver, and a survey of days is not to be lost to a
    // cable; another port or mode has restarted them already.
    LoadSettings(!bAveragesTakenUp);
    if (bAveragesTakenUp)
        return;
    bAveragesTakenUp = true;
    if (!bContinueOnRestart)
        ResetAverages();
}

void GpsNavDialog::ResetAverages()
{
    AveragingEngine::ResetAverages();
    if (DopWeightingUnsupported())
        DisableDopWeightingControls();
}

void GpsNavDialog::RestartForAnotherReceiver()
{
    AveragingEngine::RestartForAnotherReceiver();
    bAveragesTakenUp = true;
    if (DopWeightingUnsupported())
        DisableDopWeightingControls();
    if (isVisible()) {
        ShowAverages();
        ShowLabel("IDC_TIME_ACCURACY_ESTIMATE", timeAccuracyText);
    }
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
    // The live averages go back to those stored by the last OK.
    LoadSettings();
    ShowControls();
    ShowAverages();
    return QDialog::exec();
}

void GpsNavDialog::ShowControls()
{
    ui->IDC_RESTART_AVG_ON_UNLOCK->setChecked(bRestartOnUnlock);
    ui->IDC_CONT_ON_PROG_RESTART->setChecked(bContinueOnRestart);
    ui->IDC_USE_DOP_WEIGHTING->setChecked(bUseDopWeighting);
    const std::pair<Field, double> limits[] = {
        {PositionLimit, positionFilterLimit}, {RmsLimit, rmsFilterLimit}, {TimingLimit, timingFilterLimit}};
    for (const auto& [field, limit] : limits)
        FieldWidget(field)->setText(QString::asprintf("%i", static_cast<int>(std::clamp(limit, -1e9, 1e9))));
    const std::pair<Field, double> weights[] = {
        {HdopWeight, hdopWeight}, {VdopWeight, vdopWeight}, {TdopWeight, tdopWeight}};
    for (const auto& [field, weight] : weights)
        FieldWidget(field)->setText(QString::asprintf("%03.1f", weight));
}

void GpsNavDialog::closeEvent(QCloseEvent* event)
{
    SaveGeometry();
    QDialog::closeEvent(event);
}

void GpsNavDialog::SaveGeometry()
{
    WindowGeometry::Save(this, QStringLiteral("GpsNavDialog/geometry"));
}

void GpsNavDialog::OnOk()
{
    SaveSettings();
    done(1);
}

void GpsNavDialog::OnCancel()
{
    SaveGeometry();
    done(0);
}

QLineEdit* GpsNavDialog::FieldWidget(Field field) const
{
    QLineEdit* const fields[FieldCount] = {ui->IDC_POS_FILTER_LIMIT,     ui->IDC_RMS_FILTER_LIMIT,
                                           ui->IDC_TIMING_FILTER_LIMIT,  ui->IDC_HDOP_WEIGHTING_VALUE,
                                           ui->IDC_VDOP_WEIGHTING_VALUE, ui->IDC_TDOP_WEIGHTING_VALUE};
    return fields[field];
}

bool GpsNavDialog::ValidateIntegerField(QString text, double* value, bool bShowErrors)
{
    if (text.isEmpty())
        return false;
    // No minus sign in a count: "-5" is stray text, not a number out of range.
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*[+]?[0-9]+\\s*$"));
    if (text.trimmed().isEmpty()) {
        *value = 0.0;
        return false;
    }
    const bool bNumber = wholeNumber.match(text).hasMatch();
    const double number = bNumber ? text.trimmed().toDouble() : 0.0;
    if (bNumber && number <= kIntegerFieldMax) {
        *value = number;
        return true;
    }
    if (bShowErrors)
        NumericField::ShowRefusal(this, bNumber, QStringLiteral("Field is out of range.\nMust be between 0 and 99999"));
    return false;
}

bool GpsNavDialog::ValidateFloatField(QString text, double* value, bool bShowErrors)
{
    if (text.isEmpty())
        return false;
    if (text.trimmed().isEmpty()) {
        *value = 0.0;
        return false;
    }
    if (NumericField::ParseReal(text, 0.0, kFloatFieldMax, value))
        return true;
    if (bShowErrors)
        NumericField::ShowRefusal(this, NumericField::IsRealNumber(text),
                                  QStringLiteral("Field is out of range.\nMust be between 0 and 99.0"));
    return false;
}

bool GpsNavDialog::CheckField(Field field, const QString& text, double* value, bool bShowErrors)
{
    return field <= TimingLimit ? ValidateIntegerField(text, value, bShowErrors)
                                : ValidateFloatField(text, value, bShowErrors);
}

void GpsNavDialog::CheckWhileTyping(Field field, const QString& text)
{
    double unused = 0.0;
    const bool valid = CheckField(field, text, &unused, false);
    FieldWidget(field)->setStyleSheet(valid ? QStringLiteral("color:black") : QStringLiteral("color:red"));
    ui->OK->setEnabled(valid);
}

void GpsNavDialog::CheckWhenLeft(Field field)
{
    // The box takes the focus from the field, which ends its editing once more: that
    // second check stays silent instead of stacking a second box.
    if (bCheckingField)
        return;
    bCheckingField = true;
    double unused = 0.0;
    QLineEdit* edit = FieldWidget(field);
    if (!CheckField(field, edit->text(), &unused, true))
        edit->setFocus(Qt::OtherFocusReason);
    bCheckingField = false;
}

void GpsNavDialog::IDC_POS_FILTER_LIMIT_textEdited(QString arg1) { CheckWhileTyping(PositionLimit, arg1); }
void GpsNavDialog::IDC_POS_FILTER_LIMIT_editingFinished() { CheckWhenLeft(PositionLimit); }
void GpsNavDialog::IDC_RMS_FILTER_LIMIT_textEdited(QString arg1) { CheckWhileTyping(RmsLimit, arg1); }
void GpsNavDialog::IDC_RMS_FILTER_LIMIT_editingFinished() { CheckWhenLeft(RmsLimit); }
void GpsNavDialog::IDC_TIMING_FILTER_LIMIT_textEdited(QString arg1) { CheckWhileTyping(TimingLimit, arg1); }
void GpsNavDialog::IDC_TIMING_FILTER_LIMIT_editingFinished() { CheckWhenLeft(TimingLimit); }
void GpsNavDialog::IDC_HDOP_WEIGHTING_VALUE_textEdited(QString arg1) { CheckWhileTyping(HdopWeight, arg1); }
void GpsNavDialog::IDC_HDOP_WEIGHTING_VALUE_editingFinished() { CheckWhenLeft(HdopWeight); }
void GpsNavDialog::IDC_VDOP_WEIGHTING_VALUE_textEdited(QString arg1) { CheckWhileTyping(VdopWeight, arg1); }
void GpsNavDialog::IDC_VDOP_WEIGHTING_VALUE_editingFinished() { CheckWhenLeft(VdopWeight); }
void GpsNavDialog::IDC_TDOP_WEIGHTING_VALUE_textEdited(QString arg1) { CheckWhileTyping(TdopWeight, arg1); }
void GpsNavDialog::IDC_TDOP_WEIGHTING_VALUE_editingFinished() { CheckWhenLeft(TdopWeight); }

// The reset buttons act on the live engine at once; Cancel does not undo them.
void GpsNavDialog::IDC_POS_FILTER_RESET_clicked()
{
    positionFilterCount = 1.0;
    altitudeFilterCount = 1.0;
    ShowLabel("IDC_POS_FILTER_COUNTER", QStringLiteral("1"));
    TakeCurrentAsAverage();
}

void GpsNavDialog::IDC_RMS_FILTER_RESET_clicked()
{
    rmsFilterCount = 1.0;
    ShowLabel("IDC_RMS_FILTER_COUNTER", QStringLiteral("1"));
}

void GpsNavDialog::IDC_TIMING_FILTER_RESET_clicked()
{
    timingFilterCount = 1.0;
    tsigmaAverage = tsigma;
    tsigmaMax = tsigma;
    tsigmaMin = tsigma;
    ShowLabel("IDC_TIMING_FILTER_COUNTER", QStringLiteral("1"));
}

void GpsNavDialog::IDC_AVERAGING_RESET_ALL_clicked()
{
    IDC_POS_FILTER_RESET_clicked();
    IDC_RMS_FILTER_RESET_clicked();
    IDC_TIMING_FILTER_RESET_clicked();
}

void GpsNavDialog::IDC_UNLOCK_COUNTER_RESET_clicked()
{
    unlockCount = 0;
    ShowLabel("IDC_UNLOCK_COUNTER", QStringLiteral("0"));
}

void GpsNavDialog::IDC_AVERAGING_DEFAULTS_clicked()
{
    bRestartOnUnlock = false;
    bContinueOnRestart = true;
    ui->IDC_RESTART_AVG_ON_UNLOCK->setChecked(false);
    ui->IDC_CONT_ON_PROG_RESTART->setChecked(true);
    // The other defaults go into the fields only; OK makes them the members.
    const std::pair<Field, const char*> texts[] = {{PositionLimit, "28800"}, {RmsLimit, "86400"},
                                                   {TimingLimit, "28800"},   {HdopWeight, "1.5"},
                                                   {VdopWeight, "2.0"},      {TdopWeight, "1.5"}};
    for (const auto& [field, text] : texts) {
        if (FieldWidget(field)->isVisible())
            FieldWidget(field)->setText(QLatin1String(text));
    }
    if (ui->IDC_USE_DOP_WEIGHTING->isVisible())
        ui->IDC_USE_DOP_WEIGHTING->setChecked(true);
}
