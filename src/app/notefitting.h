#pragma once

#include <QFontMetrics>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// The arithmetic that fits status notes into the room a bar has for them, apart from any
// widget: texts in, texts and widths out. A note starts with a short head that says what
// is wrong, then ": " and the details; a note with no ": " has its first two words as
// its head ("1PPS missing on DCD since ..."). Room goes to the notes that say what is
// wrong before those that say what is back. When room is short, what gives way, in turn:
// the device paths in the details, in their middle; the notes that something is back;
// the end of the other notes' details; then the notes of a label that may join do so,
// into one that ends in what is wrong ("TIC3–TIC6: not read"); then a message beside
// the notes gives up its third of the bar, down to its words; then the labels join into
// one that names each note by its head ("TIC1 no signal; GPS log not written; 1PPS
// missing"); and only then the heads, from the bar's left end, each to its first word.
// No note is ever drawn as an ellipsis alone.

// How the notes of one label join when the bar has not the room for every head: the
// first word of each note's head, then ": " and details ("TIC1, TIC3: not read"). A
// list too long for the room is shortened, runs first ("TIC3–TIC6"), then to a count
// and plural ("4 counters"). With no details, the notes never join.
struct NoteJoining
{
    QString details;
    QString plural;
};

// One label's notes, side by side. paths holds each note's giving-way part, returns
// marks the notes that something is back (missing: none); metrics measures the label's
// text.
struct LabelNotes
{
    explicit LabelNotes(const QFontMetrics& labelMetrics) : metrics(labelMetrics) {}

    QFontMetrics metrics;
    QStringList notes;
    QStringList paths;
    QList<bool> returns;
    NoteJoining joining;
};

// What a label shows of its notes, and how wide it stands in the bar: the text and what
// of its share the text could not use. A label whose notes all gave way shows nothing;
// one whose notes joined another label's is not shown at all. notes are the whole notes
// it speaks for: its own, or, where the labels joined into it, every label's.
struct FittedNotes
{
    QString text;
    int width = 0;
    QStringList notes;
    bool bShown = true;
};

// The room a bar has for its notes and a message beside them.
struct NoteRoom
{
    int room = 0;          // for the notes and the message, each label's gap taken from it
    int labelGap = 0;      // what each label takes besides its text: given back when it joins another
    int messageKeeps = 0;  // what the message keeps while the notes can spare it (0: no message)
    int messageWords = 0;  // the least it keeps while the notes' heads fit beside it
    bool bLabelsMayJoin = true;  // false while the bar is not on screen: it has no room yet
};

// Fits the labels' notes, given in the bar's order from its left end, into the room
// beside the message: one result for each label, in the same order. Every head that
// fits is kept whole; the widths add up to what the notes take where they need it all.
// used, when given, is set to the room they take, less the gaps of the labels that show
// nothing.
std::vector<FittedNotes> FitNotesToRoom(const std::vector<LabelNotes>& labels, const NoteRoom& room,
                                        int* used = nullptr);

// The notes of a label shown whole, side by side.
QString NotesSideBySide(const QStringList& notes);

// How much of a bar barWidth pixels wide a message messageWidth pixels wide keeps beside
// the notes while they can spare it: what it needs, up to a third of the bar.
int MessageKeeps(int barWidth, int messageWidth);

// A message with the path it carries down to an ellipsis: its words, which say what
// happened.
QString MessageWords(const QString& text);

// A message as it fits in room pixels: the path it carries (from a "/" that starts a
// word to the ": ", " (", ", " or quote after it, or to its end) loses its middle first,
// down to an ellipsis, so that the words that say what happened stay; only then is the
// text cut at its end.
QString FitStatusMessage(const QFontMetrics& metrics, const QString& text, int room);

// text as it fits in room pixels: the path in the details loses its middle first, then
// the details lose their end; the head before the first ": " is cut only when nothing
// else is left.
QString FitStatusNote(const QFontMetrics& metrics, const QString& text, const QString& path, int room);
