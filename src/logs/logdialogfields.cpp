#include "logdialogfields.h"

#include "logfilenames.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace LogDialogFields {

void BrowseFolder(QWidget* parent, QLineEdit* field, const QString& title)
{
    const QString folder = QFileDialog::getExistingDirectory(parent, title, field->text());
    if (!folder.isEmpty())
        field->setText(folder);
}

bool TakePrefix(QWidget* parent, QLineEdit* field, QString& prefix)
{
    const QString text = field->text().trimmed();
    if (!LogFileNames::IsValidPrefix(text)) {
        QMessageBox::warning(parent, QStringLiteral("Error"), LogFileNames::PrefixRefusedText(text));
        field->setFocus();
        return false;
    }
    prefix = text;
    return true;
}

}  // namespace LogDialogFields
