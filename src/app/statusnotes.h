#pragma once

#include "notefitting.h"

#include <QList>
#include <QString>
#include <QStringList>

class QLabel;
class QStatusBar;

// The status bar's behaviour: which text stands where. Labels say something for as long
// as it is true: a lost port, a clock the program refuses to set, a counter that cannot
// be reached. Room goes to the notes first (notefitting.h says how they share it); the
// bar's help hint is for a bar with no note, a status tip has the notes step aside, and
// any other message keeps room beside them for its time (KeepStatusRoom). A line that
// gives way (NewGivingWayLabel) has only what the notes and the message leave. The whole
// text of a note is its label's tool tip; labels joined into one have every note in the
// tool tip of the one that shows them.

// Shows text in label, a permanent widget of a status bar; an empty text hides the
// label. path, when the text holds it, is the part that gives way first. bReturn marks
// a note that something is back: it gives way before any other note loses a word.
// Nothing is touched while all of these stay as they are.
void ShowStatusNote(QLabel* label, const QString& text, const QString& path = {}, bool bReturn = false);

// Several notes side by side in one label, each keeping its head; none hides it. paths
// holds each note's giving-way part, and returns marks the notes that something is
// back, as for ShowStatusNote (missing: none). The notes that are no return join as
// joining says; the tool tip keeps each note whole.
void ShowStatusNotes(QLabel* label, const QStringList& notes, const QStringList& paths = {},
                     const QList<bool>& returns = {}, const NoteJoining& joining = {});

// A label for a line that is good to know but gives way to the notes (the receiver's
// identity): what does not fit is cut at its end, and its whole text is its tool tip.
QLabel* NewGivingWayLabel();

// Shares the bar between the notes and its left text, the message it shows, as Qt's own
// bar does: while the pointer is on a menu entry, the entry's status tip takes the
// bar's left part and the notes step aside until it leaves. leftText (the bar's default
// text, a help hint) is drawn only while no note is on show. Any other message stands
// for messageMs in the room the notes leave: a third of the bar (the notes' details are
// cut for it), or, where the notes' heads need that, the room for its words, its path
// down to an ellipsis; where even then the heads do not fit, the note labels join into
// one. It is cut with an ellipsis where it does not fit and is whole in its tool tip,
// then the bar's message is cleared. Fits the notes again whenever the bar, its widgets
// or its message change.
void KeepStatusRoom(QStatusBar* bar, const QString& leftText, int messageMs = 10000);
