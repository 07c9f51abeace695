#include "manualcommanddialog.h"

#include "gpsportdialog.h"
#include "receiverinfo.h"
#include "ui_manualcommanddialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QMessageBox>

ManualCommandDialog::ManualCommandDialog(QWidget* parent) : QDialog(parent), ui(new Ui::ManualCommandDialog)
{
    ui->setupUi(this);
    connect(ui->IDC_MANCMD_LIST, &QTreeWidget::currentItemChanged, this,
            &ManualCommandDialog::IDC_MANCMD_LIST_currentItemChanged);
    connect(ui->IDC_MANCMD_COMMAND, &QLineEdit::textEdited, this,
            &ManualCommandDialog::IDC_MANCMD_COMMAND_textEdited);
    connect(ui->IDC_MANCMD_SEND, &QPushButton::clicked, this, &ManualCommandDialog::IDC_MANCMD_SEND_clicked);
    connect(ui->CANCEL, &QPushButton::clicked, this, &ManualCommandDialog::CANCEL_clicked);
}

ManualCommandDialog::~ManualCommandDialog()
{
    delete ui;
}

void ManualCommandDialog::ShowDialog()
{
    WindowGeometry::Restore(this, QStringLiteral("ManualCommandDialog/geometry"));
    FillCommandList();
    show();
    raise();
    activateWindow();
}

int ManualCommandDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("ManualCommandDialog/geometry"));
    FillCommandList();
    return QDialog::exec();
}

void ManualCommandDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("ManualCommandDialog/geometry"));
    QDialog::closeEvent(event);
}

// The receiver search may have changed the interface mode since the last showing.
void ManualCommandDialog::FillCommandList()
{
    const int mode = receiverInfo.gpsPortMode;
    QString modeText = GpsPortDialog::ModeText(mode);
    if (modeText.isEmpty())
        modeText = QString::number(mode);
    ui->IDC_MANCMD_INTERFACE->setText(QStringLiteral("Interface: ") + modeText);

    entries = Catalogue(mode);
    ui->IDC_MANCMD_LIST->blockSignals(true);
    ui->IDC_MANCMD_LIST->clear();
    for (const CatalogueEntry& entry : entries)
        ui->IDC_MANCMD_LIST->addTopLevelItem(new QTreeWidgetItem(
            QStringList{QLatin1String(entry.command), QLatin1String(entry.label)}));
    ui->IDC_MANCMD_LIST->resizeColumnToContents(0);
    ui->IDC_MANCMD_LIST->blockSignals(false);

    const bool allowed = IsSendAllowed();
    ui->IDC_MANCMD_SEND->setEnabled(allowed);
    ui->IDC_MANCMD_SEND->setToolTip(allowed ? QString()
                                            : QStringLiteral("Nothing can be sent in receive-only mode or "
                                                             "with the GPS port off."));
    ShowPreview();
}

void ManualCommandDialog::ShowPreview()
{
    QByteArray command;
    QString error;
    const QString text = ui->IDC_MANCMD_COMMAND->text();
    const bool valid = ParseCommand(text, command, error);
    ui->IDC_MANCMD_COMMAND->setStyleSheet(valid || text.trimmed().isEmpty() ? QStringLiteral("color:black")
                                                                            : QStringLiteral("color:red"));
    ui->IDC_MANCMD_PREVIEW->setText(valid ? FramePreview(command) : QString());
}

void ManualCommandDialog::IDC_MANCMD_LIST_currentItemChanged(QTreeWidgetItem* item)
{
    const int row = ui->IDC_MANCMD_LIST->indexOfTopLevelItem(item);
    if (row < 0 || row >= entries.size())
        return;
    ui->IDC_MANCMD_COMMAND->setText(QLatin1String(entries.at(row).command));
    ShowPreview();
}

void ManualCommandDialog::IDC_MANCMD_COMMAND_textEdited(const QString&)
{
    ShowPreview();
}

void ManualCommandDialog::IDC_MANCMD_SEND_clicked()
{
    if (!IsSendAllowed()) {
        ui->IDC_MANCMD_SEND->setEnabled(false);
        return;
    }
    QByteArray command;
    QString error;
    if (!ParseCommand(ui->IDC_MANCMD_COMMAND->text(), command, error)) {
        QMessageBox::warning(this, QStringLiteral("Error"), error);
        return;
    }
    emit sendGpsMessage(command);
}

void ManualCommandDialog::CANCEL_clicked()
{
    close();
}
