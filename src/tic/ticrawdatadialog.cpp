#include "ticrawdatadialog.h"

#include "ui_ticrawdatadialog.h"

TicRawDataDialog::TicRawDataDialog(QWidget* parent)
    : TextWindow(parent, QStringLiteral("TicRawDataDialog/geometry")), ui(new Ui::TicRawDataDialog)
{
    ui->setupUi(this);
    AttachText(ui->PlainTextEdit, ui->wrapCheckBox);
}

TicRawDataDialog::~TicRawDataDialog()
{
    delete ui;
}
