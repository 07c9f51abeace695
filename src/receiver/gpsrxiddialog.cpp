#include "gpsrxiddialog.h"

#include "ui_gpsrxiddialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

GpsRxIdDialog::GpsRxIdDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRxIdDialog)
{
    ui->setupUi(this);
}

GpsRxIdDialog::~GpsRxIdDialog()
{
    delete ui;
}

void GpsRxIdDialog::ShowDialog()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsRxIdDialog/geometry"));
    show();
}

void GpsRxIdDialog::AppendRxIdText(QString text)
{
    ui->GpsRxIdPlainTextEdit->setPlainText(text);
}

void GpsRxIdDialog::SetRxIdText(QString text)
{
    ui->GpsRxIdPlainTextEdit->appendPlainText(text.trimmed());
}

int GpsRxIdDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsRxIdDialog/geometry"));
    return QDialog::exec();
}

void GpsRxIdDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsRxIdDialog/geometry"));
    QDialog::closeEvent(event);
}
