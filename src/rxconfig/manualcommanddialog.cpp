#include "manualcommanddialog.h"

#include "ui_manualcommanddialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

ManualCommandDialog::ManualCommandDialog(QWidget* parent) : QDialog(parent), ui(new Ui::ManualCommandDialog)
{
    ui->setupUi(this);
}

ManualCommandDialog::~ManualCommandDialog()
{
    delete ui;
}

void ManualCommandDialog::ShowDialog()
{
    WindowGeometry::Restore(this, QStringLiteral("ManualCommandDialog/geometry"));
    show();
}

int ManualCommandDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("ManualCommandDialog/geometry"));
    return QDialog::exec();
}

void ManualCommandDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("ManualCommandDialog/geometry"));
    QDialog::closeEvent(event);
}
