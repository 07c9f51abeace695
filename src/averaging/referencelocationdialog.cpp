#include "referencelocationdialog.h"

#include "angletexts.h"
#include "geoidmodel.h"
#include "ui_referencelocationdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QMessageBox>

#include <cmath>

namespace {

const QString kGeometryKey = QStringLiteral("ReferenceLocationDialog/geometry");

// To the centimetre, halves away from zero.
double RoundToCentimetre(double metres)
{
    return std::trunc(metres * 100.0 + (metres < 0.0 ? -0.5 : 0.5)) / 100.0;
}

// Each fault in a warning box that waits for OK before the parse goes on; none when
// the parse is to be silent.
AngleTexts::MessageSink WarningBoxes(QWidget* parent, bool bShowMessages)
{
    if (!bShowMessages)
        return {};
    return [parent](const QString& title, const QString& text) { QMessageBox::warning(parent, title, text); };
}

// Black while a field holds a valid text, red while it does not.
void SetFieldColour(QLineEdit* field, bool bValid)
{
    field->setStyleSheet(bValid ? QStringLiteral("color:black") : QStringLiteral("color:red"));
}

}  // namespace

ReferenceLocationDialog::ReferenceLocationDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::ReferenceLocationDialog)
{
    ui->setupUi(this);
    setFixedSize(size());
    LoadLocationNames();
    latitudeText = FormatAngle(0.0);
    longitudeText = FormatAngle(0.0);

    connect(ui->OK, &QPushButton::clicked, this, &ReferenceLocationDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &ReferenceLocationDialog::OnCancel);
    connect(ui->IDC_REFDLG_LATITUDE, &QLineEdit::editingFinished, this,
            &ReferenceLocationDialog::IDC_REFDLG_LATITUDE_editingFinished);
    connect(ui->IDC_REFDLG_LATITUDE, &QLineEdit::textEdited, this,
            &ReferenceLocationDialog::IDC_REFDLG_LATITUDE_textEdited);
    connect(ui->IDC_REFDLG_LONGITUDE, &QLineEdit::editingFinished, this,
            &ReferenceLocationDialog::IDC_REFDLG_LONGITUDE_editingFinished);
    connect(ui->IDC_REFDLG_LONGITUDE, &QLineEdit::textEdited, this,
            &ReferenceLocationDialog::IDC_REFDLG_LONGITUDE_textEdited);
    connect(ui->IDC_REFDLG_ALT_WGS84, &QLineEdit::editingFinished, this,
            &ReferenceLocationDialog::IDC_REFDLG_ALT_WGS84_editingFinished);
    connect(ui->IDC_REFDLG_ALT_WGS84, &QLineEdit::textEdited, this,
            &ReferenceLocationDialog::IDC_REFDLG_ALT_WGS84_textEdited);
    connect(ui->IDC_REFDLG_ALT_MSL, &QLineEdit::editingFinished, this,
            &ReferenceLocationDialog::IDC_REFDLG_ALT_MSL_editingFinished);
    connect(ui->IDC_REFDLG_ALT_MSL, &QLineEdit::textEdited, this,
            &ReferenceLocationDialog::IDC_REFDLG_ALT_MSL_textEdited);
    connect(ui->IDC_REFDLG_LOC_ON_START, &QCheckBox::clicked, this,
            &ReferenceLocationDialog::IDC_REFDLG_LOC_ON_START_clicked);
    connect(ui->IDC_REFDLG_REMOVE_NAME, &QPushButton::clicked, this,
            &ReferenceLocationDialog::IDC_REFDLG_REMOVE_NAME_clicked);
    connect(ui->IDC_REFDLG_SAVE_NAME, &QPushButton::clicked, this,
            &ReferenceLocationDialog::IDC_REFDLG_SAVE_NAME_clicked);
    connect(ui->IDC_REFDLG_NAME, &QComboBox::currentIndexChanged, this,
            &ReferenceLocationDialog::IDC_REFDLG_NAME_currentIndexChanged);
}

ReferenceLocationDialog::~ReferenceLocationDialog()
{
    delete ui;
}

void ReferenceLocationDialog::SetReferenceLocation(double latitude, double longitude, double altitudeWgs84,
                                                   double altitudeMsl, bool bLocOnStart)
{
    this->latitude = latitude;
    this->longitude = longitude;
    this->altitudeWgs84 = altitudeWgs84;
    this->altitudeMsl = altitudeMsl;
    this->bLocOnStart = bLocOnStart;
}

void ReferenceLocationDialog::GetReferenceLocation(double* latitude, double* longitude, double* altitudeWgs84,
                                                   double* altitudeMsl, bool* bLocOnStart) const
{
    *latitude = this->latitude;
    *longitude = this->longitude;
    *altitudeWgs84 = this->altitudeWgs84;
    *altitudeMsl = this->altitudeMsl;
    *bLocOnStart = this->bLocOnStart;
}

bool ReferenceLocationDialog::ParseAngle(const QString& text, double* angle, bool bShowMessages, int axis)
{
    return AngleTexts::ParseAngle(text, angle, axis, WarningBoxes(this, bShowMessages));
}

bool ReferenceLocationDialog::ParseLatitude(const QString& text, double* latitude, bool bShowMessages)
{
    return ParseAngle(text, latitude, bShowMessages, AngleTexts::Latitude);
}

bool ReferenceLocationDialog::ParseLongitude(const QString& text, double* longitude, bool bShowMessages)
{
    return ParseAngle(text, longitude, bShowMessages, AngleTexts::Longitude);
}

bool ReferenceLocationDialog::ValidateAltitude(const QString& text, double* altitude, bool bShowMessages)
{
    return AngleTexts::ValidateAltitude(text, altitude, WarningBoxes(this, bShowMessages));
}

QString ReferenceLocationDialog::FormatAngle(double angle) const
{
    return AngleTexts::FormatAngle(angle, angleFormat);
}

void ReferenceLocationDialog::SetAngleFormat(int format)
{
    angleFormat = format;
}

int ReferenceLocationDialog::exec()
{
    WindowGeometry::Restore(this, kGeometryKey);
    currentGeoidDifference = RoundToCentimetre(altitudeWgs84 - altitudeMsl);
    DisplayLocation();
    return QDialog::exec();
}

void ReferenceLocationDialog::SaveGeometry()
{
    WindowGeometry::Save(this, kGeometryKey);
}

void ReferenceLocationDialog::closeEvent(QCloseEvent* event)
{
    SaveGeometry();
    QDialog::closeEvent(event);
}

void ReferenceLocationDialog::DisplayLocation()
{
    latitudeText = FormatAngle(latitude);
    longitudeText = FormatAngle(longitude);
    altitudeWgs84 = RoundToCentimetre(altitudeWgs84);
    altitudeWgs84Text = AngleTexts::FormatAltitude(altitudeWgs84);
    altitudeMsl = RoundToCentimetre(altitudeMsl);
    altitudeMslText = AngleTexts::FormatAltitude(altitudeMsl);
    geoidSeparation = GeoidModel::GeoidSeparation(latitude, longitude);
    currentGeoidDifferenceText = AngleTexts::FormatAltitude(currentGeoidDifference);
    geoidSeparationText = AngleTexts::FormatAltitude(geoidSeparation);

    ShowField(ui->IDC_REFDLG_LATITUDE, latitudeText);
    ShowField(ui->IDC_REFDLG_LONGITUDE, longitudeText);
    ShowField(ui->IDC_REFDLG_ALT_WGS84, altitudeWgs84Text);
    ShowField(ui->IDC_REFDLG_ALT_MSL, altitudeMslText);
    ui->IDC_REFDLG_LOC_ON_START->setChecked(bLocOnStart);
    ShowField(ui->IDC_REFDLG_GEDIFF_CURRENT, currentGeoidDifferenceText);
    ShowField(ui->IDC_REFDLG_GEDIFF_MODEL, geoidSeparationText);
}

void ReferenceLocationDialog::ShowField(QLineEdit* field, const QString& text, bool bValid)
{
    field->setText(text);
    SetFieldColour(field, bValid);
}

void ReferenceLocationDialog::ShowGeoidSeparation()
{
    geoidSeparation = GeoidModel::GeoidSeparation(latitude, longitude);
    geoidSeparationText = AngleTexts::FormatAltitude(geoidSeparation);
    ui->IDC_REFDLG_GEDIFF_MODEL->setText(geoidSeparationText);
}

void ReferenceLocationDialog::EnableAccept(bool bEnable)
{
    ui->OK->setEnabled(bEnable);
    ui->IDC_REFDLG_SAVE_NAME->setEnabled(bEnable);
}

// While typing: colour and the OK and Save buttons only; the text stays as typed.
void ReferenceLocationDialog::ShowAngleTyped(const QString& text, int axis)
{
    QLineEdit* field = axis == AngleTexts::Latitude ? ui->IDC_REFDLG_LATITUDE : ui->IDC_REFDLG_LONGITUDE;
    double value = 0.0;
    const bool bValid = ParseAngle(text, &value, false, axis);
    if (bValid) {
        (axis == AngleTexts::Latitude ? latitude : longitude) = value;
        ShowGeoidSeparation();
    }
    SetFieldColour(field, bValid);
    EnableAccept(bValid);
}

// Takes a left field: rewritten in the display format when it parses, focus back when not.
bool ReferenceLocationDialog::CommitAngle(bool bShowMessages, int axis)
{
    const bool bLatitude = axis == AngleTexts::Latitude;
    QLineEdit* field = bLatitude ? ui->IDC_REFDLG_LATITUDE : ui->IDC_REFDLG_LONGITUDE;
    QString& text = bLatitude ? latitudeText : longitudeText;
    text = field->text();
    double value = 0.0;
    if (ParseAngle(text, &value, bShowMessages, axis)) {
        (bLatitude ? latitude : longitude) = value;
        text = FormatAngle(value);
        ShowGeoidSeparation();
        ShowField(field, text);
        return true;
    }
    field->setFocus();
    SetFieldColour(field, false);
    if (bLatitude)
        field->setText(field->text());  // puts the cursor at the end
    return false;
}

bool ReferenceLocationDialog::CommitLatitude(bool bShowMessages)
{
    return CommitAngle(bShowMessages, AngleTexts::Latitude);
}

bool ReferenceLocationDialog::CommitLongitude(bool bShowMessages)
{
    return CommitAngle(bShowMessages, AngleTexts::Longitude);
}

// A typed altitude sets its partner through the geoid separation; a bad one shows "???"
// in the partner and leaves both members alone.
void ReferenceLocationDialog::ShowAltitudeTyped(const QString& text, bool bWgs84)
{
    QLineEdit* field = bWgs84 ? ui->IDC_REFDLG_ALT_WGS84 : ui->IDC_REFDLG_ALT_MSL;
    QLineEdit* partner = bWgs84 ? ui->IDC_REFDLG_ALT_MSL : ui->IDC_REFDLG_ALT_WGS84;
    (bWgs84 ? altitudeWgs84Text : altitudeMslText) = text;
    double value = 0.0;
    const bool bValid = ValidateAltitude(text, &value, false);
    SetFieldColour(field, bValid);
    EnableAccept(bValid);
    if (!bValid) {
        ShowField(partner, QStringLiteral("???"), false);
        return;
    }
    if (bWgs84) {
        altitudeWgs84 = value;
        bWgs84AltitudeChanged = true;
        altitudeMsl = altitudeWgs84 - geoidSeparation;
        altitudeMslText = AngleTexts::FormatAltitude(altitudeMsl);
        ShowField(partner, altitudeMslText);
    } else {
        altitudeMsl = value;
        bMslAltitudeChanged = true;
        altitudeWgs84 = altitudeMsl + geoidSeparation;
        altitudeWgs84Text = AngleTexts::FormatAltitude(altitudeWgs84);
        ShowField(partner, altitudeWgs84Text);
    }
}

// Leaving an altitude field only checks it: the typing already set both altitudes.
void ReferenceLocationDialog::CheckAltitudeField(bool bWgs84)
{
    QLineEdit* field = bWgs84 ? ui->IDC_REFDLG_ALT_WGS84 : ui->IDC_REFDLG_ALT_MSL;
    QString& text = bWgs84 ? altitudeWgs84Text : altitudeMslText;
    text = field->text();
    double unused = 0.0;
    if (!ValidateAltitude(text, &unused, true))
        field->setFocus();
}

void ReferenceLocationDialog::IDC_REFDLG_LATITUDE_textEdited(const QString& text)
{
    ShowAngleTyped(text, AngleTexts::Latitude);
}

void ReferenceLocationDialog::IDC_REFDLG_LONGITUDE_textEdited(const QString& text)
{
    ShowAngleTyped(text, AngleTexts::Longitude);
}

void ReferenceLocationDialog::IDC_REFDLG_LATITUDE_editingFinished()
{
    CommitLatitude(true);
}

void ReferenceLocationDialog::IDC_REFDLG_LONGITUDE_editingFinished()
{
    CommitLongitude(true);
}

void ReferenceLocationDialog::IDC_REFDLG_ALT_WGS84_textEdited(const QString& text)
{
    ShowAltitudeTyped(text, true);
}

void ReferenceLocationDialog::IDC_REFDLG_ALT_MSL_textEdited(const QString& text)
{
    ShowAltitudeTyped(text, false);
}

void ReferenceLocationDialog::IDC_REFDLG_ALT_WGS84_editingFinished()
{
    CheckAltitudeField(true);
}

void ReferenceLocationDialog::IDC_REFDLG_ALT_MSL_editingFinished()
{
    CheckAltitudeField(false);
}

void ReferenceLocationDialog::IDC_REFDLG_LOC_ON_START_clicked()
{
    bLocOnStart = ui->IDC_REFDLG_LOC_ON_START->isChecked();
}

void ReferenceLocationDialog::OnOk()
{
    if (!CommitLatitude(true) || !CommitLongitude(true))
        return;
    if (bWgs84AltitudeChanged && !bMslAltitudeChanged) {
        QMessageBox::warning(this, QStringLiteral("Altitude(WGS84) changed."),
                             QStringLiteral("Altitude(MSL) must be changed to match."));
        return;
    }
    if (bMslAltitudeChanged && !bWgs84AltitudeChanged) {
        QMessageBox::warning(this, QStringLiteral("Altitude(MSL) changed."),
                             QStringLiteral("Altitude(WGS84) must be changed to match."));
        return;
    }
    SaveLocationToDb();
    CommitLatitude(true);
    CommitLongitude(true);
    // Altitude faults are shown but do not hold the dialog: the last valid values stand.
    CheckAltitudeField(true);
    CheckAltitudeField(false);
    SaveGeometry();
    done(1);
}

void ReferenceLocationDialog::OnCancel()
{
    DisplayLocation();
    SaveGeometry();
    done(0);
}
