#include "gpsrawdatadialog.h"

#include "ui_gpsrawdatadialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QShowEvent>

namespace {
const QString kGeometryKey = QStringLiteral("GpsRawDataDialog/geometry");
}

GpsRawDataDialog::GpsRawDataDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRawDataDialog)
{
    ui->setupUi(this);
    textBox = findChild<QPlainTextEdit*>(QStringLiteral("PlainTextEdit"));
    textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    textBox->setMaximumBlockCount(kMaxLines);
    wrapMode = 0;
    connect(ui->wrapCheckBox, &QCheckBox::stateChanged, this, &GpsRawDataDialog::SetWrapMode);
}

GpsRawDataDialog::~GpsRawDataDialog()
{
    if (bEverShown)
        WindowGeometry::Save(this, kGeometryKey);
    delete ui;
}

void GpsRawDataDialog::SetWrapMode(int state)
{
    wrapMode = state;
    textBox = findChild<QPlainTextEdit*>(QStringLiteral("PlainTextEdit"));
    textBox->setLineWrapMode(state >= 1 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void GpsRawDataDialog::AppendText(QString line)
{
    if (!isVisible())
        return;
    textBox->appendPlainText(wrapMode != 0 ? line : line.trimmed());
}

void GpsRawDataDialog::ShowDialog()
{
    WindowGeometry::Restore(this, kGeometryKey);
    show();
}

int GpsRawDataDialog::exec()
{
    WindowGeometry::Restore(this, kGeometryKey);
    return QDialog::exec();
}

void GpsRawDataDialog::showEvent(QShowEvent* event)
{
    bEverShown = true;
    QDialog::showEvent(event);
}

void GpsRawDataDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, kGeometryKey);
    QDialog::closeEvent(event);
}
