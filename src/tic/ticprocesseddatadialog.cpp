#include "ticprocesseddatadialog.h"

#include "ui_ticprocesseddatadialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

TicProcessedDataDialog::TicProcessedDataDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TicProcessedDataDialog)
{
    ui->setupUi(this);
}

TicProcessedDataDialog::~TicProcessedDataDialog()
{
    delete ui;
}

void TicProcessedDataDialog::ShowDialog()
{
    WindowGeometry::Restore(this, QStringLiteral("TicProcessedDataDialog/geometry"));
    show();
}

int TicProcessedDataDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("TicProcessedDataDialog/geometry"));
    return QDialog::exec();
}

void TicProcessedDataDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("TicProcessedDataDialog/geometry"));
    QDialog::closeEvent(event);
}
