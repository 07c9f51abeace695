#pragma once

#include <QDialog>

namespace Ui {
class ManualCommandDialog;
}

class ManualCommandDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ManualCommandDialog(QWidget* parent = nullptr);
    ~ManualCommandDialog() override;

    void ShowDialog();
    int exec() override;

signals:
    // One command for the receiver; the main window completes and sends it.
    void sendGpsMessage(QByteArray qbComand);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::ManualCommandDialog* ui;
};
