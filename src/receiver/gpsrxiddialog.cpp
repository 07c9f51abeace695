#include "gpsrxiddialog.h"

#include "ui_gpsrxiddialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QPlainTextEdit>

namespace {
const QString kGeometryKey = QStringLiteral("GpsRxIdDialog/geometry");
}

GpsRxIdDialog::GpsRxIdDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRxIdDialog)
{
    ui->setupUi(this);
    textBox = findChild<QPlainTextEdit*>(QStringLiteral("GpsRxIdPlainTextEdit"));
    textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    wrapMode = 0;
    rxIdSeparator = QStringLiteral("---------------------------------\n");
    rxIdText = QString();
    connect(ui->wrapCheckBox, &QCheckBox::stateChanged, this, &GpsRxIdDialog::SetWrapMode);
}

GpsRxIdDialog::~GpsRxIdDialog()
{
    delete ui;
}

void GpsRxIdDialog::SetWrapMode(int state)
{
    wrapMode = state;
    textBox = findChild<QPlainTextEdit*>(QStringLiteral("GpsRxIdPlainTextEdit"));
    textBox->setLineWrapMode(state >= 1 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void GpsRxIdDialog::AppendRxIdText(QString text)
{
    rxIdText = rxIdSeparator;
    InsertRxIdLines(text);
}

void GpsRxIdDialog::InsertRxIdLines(QString text)
{
    if (text.isEmpty()) {
        ShowText();
        return;
    }
    // Each line goes in just above the separator, so they stand in the order they came.
    const QStringList lines = text.trimmed().split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const qsizetype at = rxIdText.indexOf(rxIdSeparator);
        rxIdText.insert(at < 0 ? 0 : at, line + QLatin1Char('\n'));
    }
    KeepLineLimit();
    ShowText();
}

void GpsRxIdDialog::SetRxIdText(QString text)
{
    if (text.isEmpty())
        return;
    const QStringList lines = text.trimmed().split(QLatin1Char('\n'));
    for (const QString& line : lines)
        rxIdText += line + QLatin1Char('\n');
    KeepLineLimit();
    ShowText();
}

void GpsRxIdDialog::KeepLineLimit()
{
    qsizetype excess = rxIdText.count(QLatin1Char('\n')) - kMaxLines;
    if (excess <= 0)
        return;
    // The reports below the separator go first, oldest first; the identification
    // above it only if it alone is too long.
    const qsizetype separator = rxIdText.indexOf(rxIdSeparator);
    const qsizetype reportsStart = separator < 0 ? 0 : separator + rxIdSeparator.size();
    qsizetype cut = reportsStart;
    while (excess > 0 && cut < rxIdText.size()) {
        cut = rxIdText.indexOf(QLatin1Char('\n'), cut) + 1;
        --excess;
    }
    rxIdText.remove(reportsStart, cut - reportsStart);
    if (excess > 0) {
        qsizetype head = 0;
        while (excess-- > 0)
            head = rxIdText.indexOf(QLatin1Char('\n'), head) + 1;
        rxIdText.remove(0, head);
    }
}

void GpsRxIdDialog::ShowText()
{
    textBox->setPlainText(rxIdText);
}

void GpsRxIdDialog::ShowDialog()
{
    WindowGeometry::Restore(this, kGeometryKey);
    show();
}

int GpsRxIdDialog::exec()
{
    WindowGeometry::Restore(this, kGeometryKey);
    return QDialog::exec();
}

void GpsRxIdDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, kGeometryKey);
    QDialog::closeEvent(event);
}
