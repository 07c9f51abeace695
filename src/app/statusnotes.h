#pragma once

#include <QString>

class QLabel;
class QStatusBar;

// Status-bar labels that say something for as long as it is true: a lost port, a clock
// the program refuses to set, a counter that cannot be reached. Such a note shares the
// room the bar has left with the other notes, and always leaves the bar's left text
// readable. What does not fit is cut: a device path first, in its middle, then the end
// of the text. The whole text is the label's tool tip.

// Shows text in label, a permanent widget of a status bar; an empty text hides the
// label. path, when the text holds it, is the part that gives way first.
void ShowStatusNote(QLabel* label, const QString& text, const QString& path = {});

// Keeps room for leftText (the bar's default text) beside the notes, and fits the notes
// again whenever the bar changes size or its widgets do.
void KeepStatusRoom(QStatusBar* bar, const QString& leftText);
