// The one road for commands to the receiver.

#include "mainwindow.h"

void MainWindow::SendGpsMessage(QByteArray message)
{
    emit sendGpsMessage(message);
}
