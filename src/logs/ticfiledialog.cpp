#include "ticfiledialog.h"

#include "ui_ticfiledialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

TicFileDialog::TicFileDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TicFileDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &TicFileDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TicFileDialog::OnCancel);
}

TicFileDialog::~TicFileDialog()
{
    delete ui;
}

int TicFileDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("TicFileDialog/geometry"));
    return QDialog::exec();
}

void TicFileDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("TicFileDialog/geometry"));
    QDialog::closeEvent(event);
}

void TicFileDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("TicFileDialog/geometry"));
    done(1);
}

void TicFileDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("TicFileDialog/geometry"));
    done(0);
}
