#pragma once

#include "textwindow.h"

namespace Ui {
class TicProcessedDataDialog;
}

class TicProcessedDataDialog : public TextWindow
{
    Q_OBJECT

public:
    explicit TicProcessedDataDialog(QWidget* parent = nullptr);
    ~TicProcessedDataDialog() override;

private:
    Ui::TicProcessedDataDialog* ui;
};
