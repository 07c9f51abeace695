#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace Ui {
class GpsRawDataDialog;
}

// The traffic with the receiver as it happens: messages received, commands sent and a
// marker at each 1PPS tick. Lines arrive only while the window is visible.
class GpsRawDataDialog : public QDialog
{
    Q_OBJECT

public:
    // Lines kept in the window; older ones scroll away.
    static constexpr int kMaxLines = 1024;

    explicit GpsRawDataDialog(QWidget* parent = nullptr);
    ~GpsRawDataDialog() override;

    void ShowDialog();
    void AppendText(QString line);
    int exec() override;

    int wrapMode = 0;

public slots:
    void SetWrapMode(int state);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    Ui::GpsRawDataDialog* ui;
    QPlainTextEdit* textBox = nullptr;
    // A window never shown has no geometry worth keeping.
    bool bEverShown = false;
};
