#pragma once

#include <QDialog>

#include "ticportsettings.h"

namespace Ui {
class TicPortDialog;
}

// The settings of the eight counter ports, one port shown at a time. OK saves all
// eight and returns 1; Cancel reloads them as stored and returns 0.
class TicPortDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TicPortDialog(QWidget* parent = nullptr);
    ~TicPortDialog() override;

    int exec() override;

    void LoadSettings();
    void SaveSettings();

    // The settings being edited, ports 1 to 8 at 0 to 7.
    TicPortSettings ports[8];
    int SelectedPort() const { return selected + 1; }
    void SelectPort(int port);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowFields();
    void TakeFields();
    void EnableFieldsForPort();
    void OnPortSelected(int index);
    void OnOk();
    void OnCancel();

    Ui::TicPortDialog* ui;
    int selected = 0;
    bool bShowing = false;  // the fields are being filled: not an edit
};
