#include "aboutbox.h"

#include "ui_aboutbox.h"
#include "windowgeometry.h"

#include <QCloseEvent>

AboutBox::AboutBox(QWidget* parent) : QDialog(parent), ui(new Ui::AboutBox)
{
    ui->setupUi(this);
    for (QLabel* link : {ui->IDC_KVX_WEB, ui->IDC_KVX_EMAIL}) {
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse |
                                      Qt::LinksAccessibleByKeyboard);
        link->setOpenExternalLinks(true);
    }
    ui->IDC_KVX_WEB->setText(
        QStringLiteral("<a href=\"https://kvx-systems.example\">kvx-systems.example</a>"));
    ui->IDC_KVX_EMAIL->setText(QStringLiteral(
        "<a href=\"mailto:support@kvx-systems.example?subject=From%20Horalux%20Link\">"
        "support@kvx-systems.example</a>"));
    connect(ui->OK, &QPushButton::clicked, this, &AboutBox::OnOk);
    setFixedSize(size());
    WindowGeometry::Restore(this, QStringLiteral("AboutBox/geometry"));
}

AboutBox::~AboutBox()
{
    delete ui;
}

void AboutBox::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("AboutBox/geometry"));
    done(1);
}

void AboutBox::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("AboutBox/geometry"));
    QDialog::closeEvent(event);
}
