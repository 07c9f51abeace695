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
// first, and to what is wrong before what is back; the bar's help hint is for a bar
// with no note, and a status tip has the notes step aside (KeepStatusRoom). When room
// is short, what gives way, in turn: a line that gives way (NewGivingWayLabel); the
// device paths in the details, in their middle; the notes that something is back; the
// end of the other notes' details; then the notes of a label that may join do so, into
// one that ends in what is wrong ("TIC3–TIC6: not read"), and its list shortens; and
// only then the heads, from the bar's left end. The whole text is the label's tool tip.

// Shows text in label, a permanent widget of a status bar; an empty text hides the
// label. path, when the text holds it, is the part that gives way first. bReturn marks
// a note that something is back: it gives way before any other note loses a word.
// Nothing is touched while all of these stay as they are.
void ShowStatusNote(QLabel* label, const QString& text, const QString& path = {}, bool bReturn = false);

// How the notes of one label join when the bar has not the room for every head: the
// first word of each note's head, then ": " and details ("TIC1, TIC3: not read"). A
// list too long for the room is shortened, runs first ("TIC3–TIC6"), then to a count
// and plural ("4 counters"). With no details, the notes never join.
struct NoteJoining
{
    QString details;
    QString plural;
};

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
// for messageMs in the room the notes leave, cut with an ellipsis where it does not fit
// and whole in its tool tip, then the bar's message is cleared. Fits the notes again
// whenever the bar, its widgets or its message change.
void KeepStatusRoom(QStatusBar* bar, const QString& leftText, int messageMs = 10000);

// text as it fits in room pixels: the path in the details loses its middle first, then
// the details lose their end; the head before the first ": " is cut only when nothing
// else is left.
QString FitStatusNote(const QFontMetrics& metrics, const QString& text, const QString& path, int room);
