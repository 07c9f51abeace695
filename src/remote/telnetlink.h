#pragma once

#include <QDialog>

namespace Ui {
class TelnetLink;
}

class TelnetLink : public QDialog
{
    Q_OBJECT

public:
    explicit TelnetLink(QWidget* parent = nullptr);
    ~TelnetLink() override;

    int exec() override;

    bool bTelnetActivate = false;
    quint16 telnetServerPort = 32325;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::TelnetLink* ui;
};
