#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QDialog;

// Watches for modal windows while a test runs code that opens them. Each message box
// is recorded and answered with the chosen button; any other modal dialog is handed to
// the dialog handler, or rejected when there is none.
class ModalWatcher : public QObject
{
public:
    struct Box
    {
        QString title;
        QString text;
        QString informativeText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        const QObject* parent = nullptr;  // for comparison only: gone with the box
    };

    explicit ModalWatcher(QMessageBox::StandardButton answer = QMessageBox::Ok,
                          QObject* parent = nullptr);

    void SetAnswer(QMessageBox::StandardButton answer) { answerButton = answer; }
    void SetDialogHandler(std::function<void(QDialog*)> handler) { dialogHandler = std::move(handler); }

    QList<Box> boxes;     // message boxes seen, oldest first
    QStringList dialogs;  // class names of other modal dialogs seen

private:
    void Poll();

    QTimer timer;
    QMessageBox::StandardButton answerButton;
    std::function<void(QDialog*)> dialogHandler;
};
