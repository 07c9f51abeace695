// The Motorola binary decoder: one "@@" message at a time into the shared state.

#include "mainwindow.h"

QString MainWindow::DecodeMotorolaBinary(const QByteArray& msg)
{
    Q_UNUSED(msg);
    return QString();
}
