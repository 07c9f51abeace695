// The satellite table of the main window: sort order and its buttons.

#include "mainwindow.h"

#include <QPushButton>
#include <QSettings>

namespace {
// After a press the buttons take the short styles (no pressed state of their own).
const char* const kSortSelectedStyle =
    "QPushButton {border: 1px solid silver;background-color: aqua;background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 1, y2: 1, stop: 0 white, stop: 1 aqua);}";
const char* const kSortNormalStyle =
    "QPushButton {border: 1px solid silver;border-color: qlineargradient(x1: 0, y1: 0, x2: 1, "
    "y2: 1, stop: 0 silver, stop: 1 black);border-radius: 3px;background-color: transparent;}";
}  // namespace

void MainWindow::SetSatelliteSortMode(int mode)
{
    if (mode < 0 || mode > 3)
        return;
    if (satelliteSortMode < 0 || satelliteSortMode > 3) {
        satSortButtons[mode]->setStyleSheet(kSortSelectedStyle);
        satelliteSortMode = mode;
    } else if (satelliteSortMode == mode) {
        satSortButtons[mode]->setStyleSheet(kSortNormalStyle);
        satelliteSortMode = 4;
    } else {
        satSortButtons[satelliteSortMode]->setStyleSheet(kSortNormalStyle);
        satSortButtons[mode]->setStyleSheet(kSortSelectedStyle);
        satelliteSortMode = mode;
    }
    QSettings().setValue("MainWindow/Satellite Sort Mode", satelliteSortMode);
}

void MainWindow::SatSortBtn_PRN_pressed(bool) { SetSatelliteSortMode(0); }
void MainWindow::SatSortBtn_El_pressed(bool) { SetSatelliteSortMode(1); }
void MainWindow::SatSortBtn_Azm_pressed(bool) { SetSatelliteSortMode(2); }
void MainWindow::SatSortBtn_EbNo_pressed(bool) { SetSatelliteSortMode(3); }
