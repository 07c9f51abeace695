// The one-second beat, driven by the receiver's 1PPS edge.

#include "mainwindow.h"

void MainWindow::OnClockTick()
{
    if (bShuttingDown)
        return;
}
