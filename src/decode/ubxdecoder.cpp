// The u-blox UBX decoder.

#include "mainwindow.h"

QString MainWindow::DecodeUbxMessage(const QByteArray& msg)
{
    Q_UNUSED(msg);
    return QString();
}
