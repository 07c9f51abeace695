#include "ticprocesseddatadialog.h"

#include "ui_ticprocesseddatadialog.h"

TicProcessedDataDialog::TicProcessedDataDialog(QWidget* parent)
    : TextWindow(parent, QStringLiteral("TicProcessedDataDialog/geometry")), ui(new Ui::TicProcessedDataDialog)
{
    ui->setupUi(this);
    AttachText(ui->PlainTextEdit, ui->wrapCheckBox);
}

TicProcessedDataDialog::~TicProcessedDataDialog()
{
    delete ui;
}
