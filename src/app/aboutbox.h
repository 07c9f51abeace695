#pragma once

#include <QDialog>

namespace Ui {
class AboutBox;
}

// Help, "About Horalux ...": icon, version, the maker's links.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();

    Ui::AboutBox* ui;
};
