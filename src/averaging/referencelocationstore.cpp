// The named-location store of the reference-location dialog: one "RefLocationDB/<name>"
// entry per name, four numbers in one text.
#include "referencelocationdialog.h"

#include "angletexts.h"
#include "geoidmodel.h"
#include "ui_referencelocationdialog.h"

#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace {

const QString kGroup = QStringLiteral("RefLocationDB");

QString EntryKey(const QString& name)
{
    return kGroup + QLatin1Char('/') + name;
}

// An altitude within this of the dialog's own is the same altitude.
constexpr double kAltitudeTolerance = 0.009;

}  // namespace

// A name holding a key separator would be a settings sub-group, not an entry.
bool ReferenceLocationDialog::IsStorableName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

void ReferenceLocationDialog::LoadLocationNames()
{
    QSettings settings;
    settings.beginGroup(kGroup);
    const QStringList names = settings.childKeys();
    settings.endGroup();
    QComboBox* combo = ui->IDC_REFDLG_NAME;
    combo->clear();
    combo->addItem(QString());
    combo->addItems(names);
    SortLocationNames(combo);
}

void ReferenceLocationDialog::SortLocationNames(QComboBox* combo)
{
    if (combo->count() < 2)
        return;
    // Re-sorting must not load the entries that pass through the current place, and
    // the name shown stays the one shown before.
    const QSignalBlocker blocker(combo);
    const QString shown = combo->currentText();
    QStringList texts;
    for (int i = combo->count() - 1; i >= 0; --i) {
        texts << combo->itemText(i);
        combo->removeItem(i);
    }
    std::sort(texts.begin(), texts.end());  // by UTF-16 code units: upper case first
    combo->addItems(texts);
    const int index = combo->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(std::max(index, 0));
    combo->setEditText(shown);
}

void ReferenceLocationDialog::SaveLocationToDb()
{
    QComboBox* combo = ui->IDC_REFDLG_NAME;
    const QString name = combo->currentText();
    if (!IsStorableName(name))
        return;
    QSettings().setValue(EntryKey(name), QString::asprintf("%018.16f %018.16f %018.16f %018.16f", latitude,
                                                           longitude, altitudeWgs84, altitudeMsl));
    if (combo->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        combo->addItem(name);
}

void ReferenceLocationDialog::IDC_REFDLG_SAVE_NAME_clicked()
{
    SaveLocationToDb();
    SortLocationNames(ui->IDC_REFDLG_NAME);
}

void ReferenceLocationDialog::IDC_REFDLG_REMOVE_NAME_clicked()
{
    const QString name = ui->IDC_REFDLG_NAME->currentText();
    if (!IsStorableName(name))
        return;
    QSettings settings;
    if (settings.contains(EntryKey(name)))
        settings.remove(EntryKey(name));
    else
        QMessageBox::warning(this, QStringLiteral("No such item in the database."), EntryKey(name));
}

void ReferenceLocationDialog::IDC_REFDLG_NAME_currentIndexChanged(int index)
{
    if (index < 0)
        return;
    const QString name = ui->IDC_REFDLG_NAME->itemText(index);
    const QString stored =
        IsStorableName(name) ? QSettings().value(EntryKey(name)).toString().trimmed() : QString();
    static const QRegularExpression number(QStringLiteral("[-+]?[0-9]*\\.?[0-9]+"));
    QString numbers[4];
    int count = 0;
    for (auto it = number.globalMatch(stored); it.hasNext() && count < 4; ++count)
        numbers[count] = it.next().captured(0);

    latitudeText.clear();
    longitudeText.clear();
    altitudeWgs84Text.clear();
    altitudeMslText.clear();
    double value = 0.0;
    if (ParseLatitude(numbers[0], &value, true)) {
        latitude = value;
        latitudeText = FormatAngle(latitude);
        geoidSeparation = GeoidModel::GeoidSeparation(latitude, longitude);
        geoidSeparationText = AngleTexts::FormatAltitude(geoidSeparation);
    }
    if (ParseLongitude(numbers[1], &value, true)) {
        longitude = value;
        longitudeText = FormatAngle(longitude);
        geoidSeparation = GeoidModel::GeoidSeparation(latitude, longitude);
        geoidSeparationText = AngleTexts::FormatAltitude(geoidSeparation);
    }
    // An altitude that differs from the dialog's sets its partner by the geoid
    // separation here, and counts as typed for the altitude-pair rule of OK.
    if (ValidateAltitude(numbers[2], &value, true)) {
        if (std::fabs(altitudeWgs84 - value) > kAltitudeTolerance) {
            altitudeWgs84 = value;
            altitudeMsl = value - geoidSeparation;
            bWgs84AltitudeChanged = bMslAltitudeChanged = true;
            altitudeMslText = AngleTexts::FormatAltitude(altitudeMsl);
        }
        altitudeWgs84Text = AngleTexts::FormatAltitude(altitudeWgs84);
    }
    if (ValidateAltitude(numbers[3], &value, true)) {
        if (std::fabs(altitudeMsl - value) > kAltitudeTolerance) {
            altitudeMsl = value;
            altitudeWgs84 = value + geoidSeparation;
            bWgs84AltitudeChanged = bMslAltitudeChanged = true;
            altitudeWgs84Text = AngleTexts::FormatAltitude(altitudeWgs84);
        }
        altitudeMslText = AngleTexts::FormatAltitude(altitudeMsl);
    }

    ShowField(ui->IDC_REFDLG_LATITUDE, latitudeText, ParseLatitude(latitudeText, &value, false));
    ShowField(ui->IDC_REFDLG_LONGITUDE, longitudeText, ParseLongitude(longitudeText, &value, false));
    ShowField(ui->IDC_REFDLG_ALT_WGS84, altitudeWgs84Text);
    ShowField(ui->IDC_REFDLG_ALT_MSL, altitudeMslText);
    ShowGeoidSeparation();
}
