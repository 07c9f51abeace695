#pragma once

#include "textwindow.h"

namespace Ui {
class TicRawDataDialog;
}

class TicRawDataDialog : public TextWindow
{
    Q_OBJECT

public:
    explicit TicRawDataDialog(QWidget* parent = nullptr);
    ~TicRawDataDialog() override;

private:
    Ui::TicRawDataDialog* ui;
};
