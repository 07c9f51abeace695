#pragma once

#include <QDialog>

namespace Ui {
class SatelliteSelect;
}

class SatelliteSelect : public QDialog
{
    Q_OBJECT

public:
    explicit SatelliteSelect(QWidget* parent = nullptr);
    ~SatelliteSelect() override;

    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::SatelliteSelect* ui;
};
