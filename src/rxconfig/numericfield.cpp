#include "numericfield.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>

#include <cmath>

namespace NumericField {

bool ReadWholeNumber(const QString& text, double* value)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*[-+]?[0-9]+\\s*$"));
    if (!wholeNumber.match(text).hasMatch())
        return false;
    const QString digits = text.trimmed();
    bool ok = false;
    double number = digits.toDouble(&ok);
    // Only digits are left, so a failed conversion is a number beyond a double.
    if (!ok || !std::isfinite(number))
        number = digits.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
    if (value)
        *value = number;
    return true;
}

bool IsRealNumber(const QString& text)
{
    static const QRegularExpression realNumber(QStringLiteral("^\\s*[-+]?[0-9]*\\.?[0-9]+\\s*$"));
    return realNumber.match(text).hasMatch();
}

bool ParseReal(const QString& text, double low, double high, double* value)
{
    if (!IsRealNumber(text))
        return false;
    const double number = text.trimmed().toDouble();
    if (!(number >= low && number <= high))
        return false;
    if (value)
        *value = number;
    return true;
}

void ShowRefusal(QWidget* parent, bool bOutOfRange, const QString& rangeText)
{
    if (bOutOfRange)
        QMessageBox::warning(parent, QStringLiteral("Numeric Error"), rangeText);
    else
        QMessageBox::warning(parent, QStringLiteral("Error"), QStringLiteral("Extraineous characters in the field."));
}

bool Parse(const QString& text, int low, int high, int* value)
{
    double number = 0.0;
    if (!ReadWholeNumber(text, &number) || number < low || number > high)
        return false;
    if (value)
        *value = static_cast<int>(number);
    return true;
}

bool ShowValidity(QLineEdit* field, int low, int high)
{
    const bool valid = Parse(field->text(), low, high);
    field->setStyleSheet(valid ? QStringLiteral("color:black") : QStringLiteral("color:red"));
    return valid;
}

bool Take(QWidget* parent, QLineEdit* field, int low, int high, int& value)
{
    if (ShowValidity(field, low, high)) {
        Parse(field->text(), low, high, &value);
        return true;
    }
    // Only a number out of range is a "Numeric Error"; stray text is a plain "Error".
    ShowRefusal(parent, ReadWholeNumber(field->text()),
                QString::asprintf("Field is out of range.\nMust be between %i and %i", low, high));
    field->setFocus();
    return false;
}

}  // namespace NumericField
