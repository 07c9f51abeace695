#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// Whole-number entry fields of the receiver-configuration dialogs: red text while the
// field does not hold a number in range, and a warning box when it is taken.
namespace NumericField {

// Whether the text, blanks aside, is one whole number (an optional sign and digits,
// as many as typed), and its value. A number too long for any field is still a number,
// only out of every range: the operator gets the range, not a word on stray characters.
bool ReadWholeNumber(const QString& text, double* value = nullptr);

// The number in the text when it is a whole number from low to high.
bool Parse(const QString& text, int low, int high, int* value = nullptr);

// Colours the field by the validity of its text; returns that validity.
bool ShowValidity(QLineEdit* field, int low, int high);

// The number in the text when the whole text, blanks aside, is one decimal number
// (an optional sign, digits, an optional point) from low to high.
bool ParseReal(const QString& text, double low, double high, double* value = nullptr);
bool IsRealNumber(const QString& text);

// The box of a refused field: "Numeric Error" with rangeText for a number of the
// field's kind out of range, "Error" for any other text.
void ShowRefusal(QWidget* parent, bool bOutOfRange, const QString& rangeText);

// Takes the field's number; when it has none, says why in a box ("Numeric Error" for a
// number out of range, "Error" for other text), puts the focus on the field and returns false.
bool Take(QWidget* parent, QLineEdit* field, int low, int high, int& value);

}  // namespace NumericField
