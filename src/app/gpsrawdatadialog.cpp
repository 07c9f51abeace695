#include "gpsrawdatadialog.h"

#include "ui_gpsrawdatadialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

GpsRawDataDialog::GpsRawDataDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRawDataDialog)
{
    ui->setupUi(this);
}

GpsRawDataDialog::~GpsRawDataDialog()
{
    delete ui;
}

void GpsRawDataDialog::ShowDialog()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsRawDataDialog/geometry"));
    show();
}

void GpsRawDataDialog::AppendText(QString line)
{
    if (!isVisible())
        return;
    ui->PlainTextEdit->appendPlainText(line.trimmed());
}

int GpsRawDataDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsRawDataDialog/geometry"));
    return QDialog::exec();
}

void GpsRawDataDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsRawDataDialog/geometry"));
    QDialog::closeEvent(event);
}
