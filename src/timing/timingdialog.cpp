#include "timingdialog.h"

#include "ui_timingdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

TimingDialog::TimingDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TimingDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &TimingDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TimingDialog::OnCancel);
}

TimingDialog::~TimingDialog()
{
    delete ui;
}

int TimingDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("TimingDialog/geometry"));
    return QDialog::exec();
}

void TimingDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("TimingDialog/geometry"));
    QDialog::closeEvent(event);
}

void TimingDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("TimingDialog/geometry"));
    done(1);
}

void TimingDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("TimingDialog/geometry"));
    done(0);
}
