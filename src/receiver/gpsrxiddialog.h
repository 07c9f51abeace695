#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace Ui {
class GpsRxIdDialog;
}

// What the program has learned of the attached receiver: its identification above a
// separator line, and the probe results, echoes and reports that came afterwards below
// it. Collects text whether shown or not.
class GpsRxIdDialog : public QDialog
{
    Q_OBJECT

public:
    // Lines kept; the oldest reports below the separator go first.
    static constexpr int kMaxLines = 1024;

    explicit GpsRxIdDialog(QWidget* parent = nullptr);
    ~GpsRxIdDialog() override;

    void ShowDialog();
    // Starts a new identification block with these lines.
    void AppendRxIdText(QString text);
    // Adds lines at the end.
    void SetRxIdText(QString text);
    void InsertRxIdLines(QString text);
    int exec() override;

    QString rxIdText;
    QString rxIdSeparator;
    int wrapMode = 0;

public slots:
    void SetWrapMode(int state);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void KeepLineLimit();
    void ShowText();

    Ui::GpsRxIdDialog* ui;
    QPlainTextEdit* textBox = nullptr;
};
