#include "referencelocationdialog.h"

#include "ui_referencelocationdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

ReferenceLocationDialog::ReferenceLocationDialog(QWidget* parent) : QDialog(parent), ui(new Ui::ReferenceLocationDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &ReferenceLocationDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &ReferenceLocationDialog::OnCancel);
}

ReferenceLocationDialog::~ReferenceLocationDialog()
{
    delete ui;
}

int ReferenceLocationDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("ReferenceLocationDialog/geometry"));
    return QDialog::exec();
}

void ReferenceLocationDialog::SetAngleFormat(int format)
{
    angleFormat = format;
}

void ReferenceLocationDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("ReferenceLocationDialog/geometry"));
    QDialog::closeEvent(event);
}

void ReferenceLocationDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("ReferenceLocationDialog/geometry"));
    done(1);
}

void ReferenceLocationDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("ReferenceLocationDialog/geometry"));
    done(0);
}
