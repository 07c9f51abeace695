#pragma once

#include "tictextwindow.h"

namespace Ui {
class TicProcessedDataDialog;
}

class TicProcessedDataDialog : public TicTextWindow
{
    Q_OBJECT

public:
    explicit TicProcessedDataDialog(QWidget* parent = nullptr);
    ~TicProcessedDataDialog() override;

private:
    Ui::TicProcessedDataDialog* ui;
};
