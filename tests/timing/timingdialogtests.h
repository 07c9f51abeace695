#pragma once

#include "../rxconfig/widgetlookup.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>
#include <functional>

// Typing, clicking and running of the timing dialog and the coax calculator in tests.

// Types the text into a field the way an operator does: one textEdited per edit.
inline void Type(QObject* dialog, const char* name, const QString& text)
{
    auto* field = Child<QLineEdit>(dialog, name);
    field->setText(text);
    emit field->textEdited(text);
}

inline void Click(QObject* dialog, const char* name)
{
    Child<QAbstractButton>(dialog, name)->click();
}

// Runs exec() with the given steps done inside its event loop.
template <class Dialog>
int ExecWith(Dialog& dialog, std::function<void()> steps)
{
    QTimer::singleShot(0, &dialog, std::move(steps));
    return dialog.exec();
}
