#pragma once

#include "tictextwindow.h"

namespace Ui {
class TicRawDataDialog;
}

class TicRawDataDialog : public TicTextWindow
{
    Q_OBJECT

public:
    explicit TicRawDataDialog(QWidget* parent = nullptr);
    ~TicRawDataDialog() override;

private:
    Ui::TicRawDataDialog* ui;
};
