#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class TicFileDialog;
}

// The TIC log set's delimiter style, time tag, periods, folder and file-name prefix
// ("LogFiles/" keys).
class TicFileDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TicFileDialog(QWidget* parent = nullptr);
    ~TicFileDialog() override;

    int exec() override;
    // Reads the keys into the members and shows them; values out of range read as
    // their defaults.
    void LoadSettings();

    int ticLogStyle = 1;         // 0 space (.prn), 1 comma (.csv), 2 tab (.txt)
    int ticTimeTagFormat = 2;    // 0 year and day, 1 MJD, 2 days since 1900
    int ticTimeLogPeriod = 1;    // readings between time-interval lines
    int ticAveragingPeriod = 300;  // readings per average
    QString ticLogFolder;
    QString ticLogPrefix;

    static constexpr int kMaxPeriod = 86400;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();
    void IDC_TICLOG_BROWSE_clicked();
    void IDC_TICLOG_TIME_PERIOD_textEdited();
    void IDC_TICLOG_AVG_PERIOD_textEdited();

    Ui::TicFileDialog* ui;
};
