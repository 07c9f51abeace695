#include "gpsrawdatadialog.h"

#include "ui_gpsrawdatadialog.h"

GpsRawDataDialog::GpsRawDataDialog(QWidget* parent)
    : TextWindow(parent, QStringLiteral("GpsRawDataDialog/geometry")), ui(new Ui::GpsRawDataDialog)
{
    ui->setupUi(this);
    AttachText(ui->PlainTextEdit, ui->wrapCheckBox);
}

GpsRawDataDialog::~GpsRawDataDialog()
{
    delete ui;
}

void GpsRawDataDialog::AppendText(QString line)
{
    TextWindow::AppendText(wrapMode != 0 ? line : line.trimmed());
}
