#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QFontMetrics;
class QLabel;
class QStatusBar;

// Status-bar labels that say something for as long as it is true: a lost port, a clock
// the program refuses to set, a counter that cannot be reached. A note starts with a
// short head that says what is wrong, then ": " and the details. Room goes to the notes
// first. When it is short a note's details give way, a device path in its middle first,
// then their end; a line that gives way (NewGivingWayLabel), and then the bar's left
// text, are cut before any head is; then the notes of a label that may join do so, and
// give way before the other heads. The whole text is the label's tool tip.

// Shows text in label, a permanent widget of a status bar; an empty text hides the
// label. path, when the text holds it, is the part that gives way first. Nothing is
// touched while the text and path stay as they are.
void ShowStatusNote(QLabel* label, const QString& text, const QString& path = {});

// Several notes side by side in one label, each keeping its head; none hides it. paths
// holds each note's giving-way part, as for ShowStatusNote (empty or missing: none).
// With joinedDetails given, when the bar has not the room for every head of every
// label, the notes that joins marks (all, when joins is empty) join into one: the first
// word of each head, then joinedDetails ("TIC1, TIC3: not read"); the tool tip keeps
// each note whole.
void ShowStatusNotes(QLabel* label, const QStringList& notes, const QStringList& paths = {},
                     const QString& joinedDetails = {}, const QList<bool>& joins = {});

// A label for a line that is good to know but gives way to the notes (the receiver's
// identity): what does not fit is cut at its end, and its whole text is its tool tip.
QLabel* NewGivingWayLabel();

// Keeps room for leftText (the bar's default text) beside the notes, and fits the notes
// again whenever the bar changes size or its widgets do.
void KeepStatusRoom(QStatusBar* bar, const QString& leftText);

// text as it fits in room pixels: the path in the details loses its middle first, then
// the details lose their end; the head before the first ": " is cut only when nothing
// else is left.
QString FitStatusNote(const QFontMetrics& metrics, const QString& text, const QString& path, int room);
