#include "ticportdialog.h"

#include "ui_ticportdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

TicPortDialog::TicPortDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TicPortDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &TicPortDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TicPortDialog::OnCancel);
}

TicPortDialog::~TicPortDialog()
{
    delete ui;
}

int TicPortDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("TicPortDialog/geometry"));
    return QDialog::exec();
}

void TicPortDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("TicPortDialog/geometry"));
    QDialog::closeEvent(event);
}

void TicPortDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("TicPortDialog/geometry"));
    done(1);
}

void TicPortDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("TicPortDialog/geometry"));
    done(0);
}
