#pragma once

#include "textwindow.h"

#include <QString>

namespace Ui {
class GpsRawDataDialog;
}

// The traffic with the receiver as it happens: messages received, commands sent and a
// marker at each 1PPS tick. Lines arrive only while the window is visible.
class GpsRawDataDialog : public TextWindow
{
    Q_OBJECT

public:
    explicit GpsRawDataDialog(QWidget* parent = nullptr);
    ~GpsRawDataDialog() override;

    // Without wrapping a line is shown without its surrounding blanks.
    void AppendText(QString line);

private:
    Ui::GpsRawDataDialog* ui;
};
