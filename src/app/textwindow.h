#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QPlainTextEdit;

// What the text windows (GPS raw data, TIC raw and processed data) share: a text box
// that keeps the latest lines, a wrap switch, and a geometry kept under the window's
// own key. Lines arrive only while the window is visible.
class TextWindow : public QDialog
{
    Q_OBJECT

public:
    // Lines kept in the window; older ones scroll away.
    static constexpr int kMaxLines = 1024;

    void ShowDialog();
    void AppendText(const QString& line);
    int exec() override;
    QString Text() const;

    int wrapMode = 0;

public slots:
    void SetWrapMode(int state);

protected:
    TextWindow(QWidget* parent, const QString& geometryKey);
    ~TextWindow() override;
    // Called by the window once its form is built.
    void AttachText(QPlainTextEdit* box, QCheckBox* wrap);

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QString geometryKey;
    QPlainTextEdit* textBox = nullptr;
    bool bEverShown = false;  // a window never shown has no geometry worth keeping
};
