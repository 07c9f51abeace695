// Lines from the time-interval counters.

#include "mainwindow.h"

void MainWindow::OnNewTicText(QByteArray s)
{
    if (bShuttingDown)
        return;
    Q_UNUSED(s);
}
