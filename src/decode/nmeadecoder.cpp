// The NMEA and Garmin sentence decoder.

#include "mainwindow.h"

bool MainWindow::DecodeNmeaSentence(const QByteArray& sentence)
{
    Q_UNUSED(sentence);
    return false;
}
