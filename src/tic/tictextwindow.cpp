#include "tictextwindow.h"

#include "windowgeometry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QShowEvent>

TicTextWindow::TicTextWindow(QWidget* parent, const QString& key) : QDialog(parent), geometryKey(key) {}

TicTextWindow::~TicTextWindow()
{
    if (bEverShown)
        WindowGeometry::Save(this, geometryKey);
}

void TicTextWindow::AttachText(QPlainTextEdit* box, QCheckBox* wrap)
{
    textBox = box;
    textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    textBox->setMaximumBlockCount(kMaxLines);
    connect(wrap, &QCheckBox::stateChanged, this, &TicTextWindow::SetWrapMode);
}

void TicTextWindow::SetWrapMode(int state)
{
    wrapMode = state;
    textBox->setLineWrapMode(state >= 1 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TicTextWindow::AppendText(const QString& line)
{
    if (!isVisible())
        return;
    textBox->appendPlainText(line);
}

QString TicTextWindow::Text() const
{
    return textBox->toPlainText();
}

void TicTextWindow::ShowDialog()
{
    WindowGeometry::Restore(this, geometryKey);
    show();
}

int TicTextWindow::exec()
{
    WindowGeometry::Restore(this, geometryKey);
    return QDialog::exec();
}

void TicTextWindow::showEvent(QShowEvent* event)
{
    bEverShown = true;
    QDialog::showEvent(event);
}

void TicTextWindow::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, geometryKey);
    QDialog::closeEvent(event);
}
