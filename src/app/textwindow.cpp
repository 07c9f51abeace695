#include "textwindow.h"

#include "windowgeometry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QShowEvent>

TextWindow::TextWindow(QWidget* parent, const QString& key) : QDialog(parent), geometryKey(key) {}

TextWindow::~TextWindow()
{
    if (bEverShown)
        WindowGeometry::Save(this, geometryKey);
}

void TextWindow::AttachText(QPlainTextEdit* box, QCheckBox* wrap)
{
    textBox = box;
    textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    textBox->setMaximumBlockCount(kMaxLines);
    connect(wrap, &QCheckBox::stateChanged, this, &TextWindow::SetWrapMode);
}

void TextWindow::SetWrapMode(int state)
{
    wrapMode = state;
    textBox->setLineWrapMode(state >= 1 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TextWindow::AppendText(const QString& line)
{
    if (!isVisible())
        return;
    textBox->appendPlainText(line);
}

QString TextWindow::Text() const
{
    return textBox->toPlainText();
}

void TextWindow::ShowDialog()
{
    WindowGeometry::Restore(this, geometryKey);
    show();
}

int TextWindow::exec()
{
    WindowGeometry::Restore(this, geometryKey);
    return QDialog::exec();
}

void TextWindow::showEvent(QShowEvent* event)
{
    bEverShown = true;
    QDialog::showEvent(event);
}

void TextWindow::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, geometryKey);
    QDialog::closeEvent(event);
}
