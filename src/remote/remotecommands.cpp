// Commands from the remote-control client.

#include "mainwindow.h"

void MainWindow::OnTelnetCommand(QByteArray qbComand)
{
    if (bShuttingDown)
        return;
    Q_UNUSED(qbComand);
}
