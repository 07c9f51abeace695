#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class TelnetLink;
}

// The remote-control link's settings: whether the server runs, and its port
// ("TelnetDialog/" keys). The main window starts or stops the server after OK.
class TelnetLink : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kLowestPort = 1024;
    static constexpr int kHighestPort = 32768;

    explicit TelnetLink(QWidget* parent = nullptr);
    ~TelnetLink() override;

    // Restores the geometry and loads the keys, then runs the dialog; non-zero on OK.
    int exec() override;
    void LoadSettings();

    // What the server does now, shown under the fields.
    void SetServerStatus(const QString& text);

    bool bTelnetActivate = false;
    quint16 telnetServerPort = 32325;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();
    void IDC_TELNET_PORT_textEdited(const QString& text);

    Ui::TelnetLink* ui;
};
