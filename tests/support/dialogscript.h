#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class QDialog;

// Drives a modal dialog the way an operator does, for code that runs it with exec().
namespace DialogScript {

using Step = std::function<void(QDialog*)>;

// Types into the named line edit: textEdited on each key, then editingFinished as the
// field is left with Tab (the dialog is made active first, since only an active window
// has the focus).
Step Type(const char* field, const QString& text);
Step Click(const char* button);

// Plays the steps into the open modal dialog and answers the message boxes they open
// with OK, recording "title|text". Each step runs from its own zero timer, so the poll
// can answer a box while the step waits in it. A dialog left open after the last step
// is rejected and "still open" recorded. Keep one player alive at a time.
class Player : public QObject
{
public:
    explicit Player(QList<Step> steps);

    QStringList boxes;

private:
    void Poll();

    QList<Step> steps;
    QTimer timer;
    bool bStepRunning = false;
};

}  // namespace DialogScript
