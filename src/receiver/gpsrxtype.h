#pragma once

#include <QDialog>

namespace Ui {
class GpsRxType;
}

class GpsRxType : public QDialog
{
    Q_OBJECT

public:
    explicit GpsRxType(QWidget* parent = nullptr);
    ~GpsRxType() override;

    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::GpsRxType* ui;
};
