// Received receiver messages, handed to the decoder of the interface mode.

#include "mainwindow.h"

void MainWindow::OnNewGpsText(QByteArray s)
{
    if (bShuttingDown || bGpsSearchActive)
        return;
    Q_UNUSED(s);
}
