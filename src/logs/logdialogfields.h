#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// The folder and prefix fields that both log dialogs carry.
namespace LogDialogFields {

// Puts the folder the operator picks into the field; a cancelled pick changes nothing.
void BrowseFolder(QWidget* parent, QLineEdit* field, const QString& title);

// Takes the field's prefix; a refused one is explained in a box, gets the focus and
// gives false.
bool TakePrefix(QWidget* parent, QLineEdit* field, QString& prefix);

}  // namespace LogDialogFields
