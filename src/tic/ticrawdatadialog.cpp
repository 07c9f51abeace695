#include "ticrawdatadialog.h"

#include "ui_ticrawdatadialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

TicRawDataDialog::TicRawDataDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TicRawDataDialog)
{
    ui->setupUi(this);
}

TicRawDataDialog::~TicRawDataDialog()
{
    delete ui;
}

void TicRawDataDialog::ShowDialog()
{
    WindowGeometry::Restore(this, QStringLiteral("TicRawDataDialog/geometry"));
    show();
}

int TicRawDataDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("TicRawDataDialog/geometry"));
    return QDialog::exec();
}

void TicRawDataDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("TicRawDataDialog/geometry"));
    QDialog::closeEvent(event);
}
