#pragma once

#include <QDialog>

namespace Ui {
class ReferenceLocationDialog;
}

class ReferenceLocationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReferenceLocationDialog(QWidget* parent = nullptr);
    ~ReferenceLocationDialog() override;

    int exec() override;

    // Format in which latitude and longitude are shown and read (a NavDataFormat).
    void SetAngleFormat(int format);
    int angleFormat = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::ReferenceLocationDialog* ui;
};
