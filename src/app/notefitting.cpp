#include "notefitting.h"

#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <utility>

namespace {

const QString kHeadEnd = QStringLiteral(": ");
const QString kNoteGap = QStringLiteral("  ");
const QString kJoinedGap = QStringLiteral("; ");
const QString kListGap = QStringLiteral(", ");
const QChar kEllipsis(0x2026);
const QChar kRunDash(0x2013);

// A path cut shorter than this says nothing about which device it was.
constexpr int kShortestPathChars = 8;
// Joined notes name a run of at least this many consecutive devices by its ends.
constexpr int kShortestRun = 3;

// The head, or nothing when the text has none: what comes before the first ": ", or
// else the first two words, when more follow.
QString Head(const QString& text)
{
    const qsizetype end = text.indexOf(kHeadEnd);
    if (end > 0)
        return text.left(end);
    const qsizetype first = text.indexOf(QLatin1Char(' '));
    const qsizetype second = first > 0 ? text.indexOf(QLatin1Char(' '), first + 1) : -1;
    return second > first + 1 && second + 1 < text.size() ? text.left(second) : QString();
}

// The head and what ends it (": " or a blank): the details follow.
QString Lead(const QString& text)
{
    const QString head = Head(text);
    if (head.isEmpty())
        return QString();
    return head + (text.mid(head.size()).startsWith(kHeadEnd) ? kHeadEnd : QStringLiteral(" "));
}

// text cut at its end to room pixels with an ellipsis; where not even one letter fits
// beside the ellipsis, the letters that fit without it: an ellipsis alone says nothing.
QString CutAtEnd(const QFontMetrics& metrics, const QString& text, int room)
{
    const QString cut = metrics.elidedText(text, Qt::ElideRight, std::max(room, 0));
    if (cut != QString(kEllipsis))
        return cut;
    qsizetype letters = 0;
    while (letters < text.size() && metrics.horizontalAdvance(text.left(letters + 1)) <= room)
        ++letters;
    return text.left(letters);
}

// What the bar shows of one note, or of a label's joined notes.
struct Piece
{
    QString text;
    QString path;
    // Joined notes: each form narrower than the one before, all ending in tail, what is
    // wrong with every one of them.
    QStringList forms;
    QString tail;
    bool bReturn = false;
    bool bHeadAlone = false;  // in labels joined into one: a head needs no ellipsis there
    int full = 0;     // the whole text
    int compact = 0;  // every word, the path at its shortest
    int least = 0;      // the head and an ellipsis (alone: the head); joined notes: their whole list
    int narrowest = 0;  // the head's first word and an ellipsis; joined notes: their narrowest form
    int share = 0;
    bool bShown = true;
    QString shown;  // the text as it fits its share
};


// A label's notes, and whether the bar shows them joined into one. Where the labels
// join, the first that has something wrong holds every label's failures, each by its
// head, and the others hold nothing.
struct NoteLabel
{
    const LabelNotes* given = nullptr;
    bool bJoined = false;
    std::vector<Piece> pieces;
    QString separator = kNoteGap;  // between two pieces
    int gap = 0;                   // its width

    const QFontMetrics& metrics() const { return given->metrics; }
    bool CanJoin() const { return !given->joining.details.isEmpty() && given->returns.count(false) > 1; }
};

// The first word of a note's head: what it is about ("TIC3").
QString Name(const QString& note)
{
    const QString head = Head(note);
    return (head.isEmpty() ? note : head).section(QLatin1Char(' '), 0, 0);
}

// The names, each run of consecutive numbers after the same prefix given by its ends:
// "TIC1, TIC3–TIC6".
QString Runs(const QStringList& names)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*\\D)(\\d{1,9})$"));
    QStringList said;
    qsizetype from = 0;
    while (from < names.size()) {
        qsizetype to = from + 1;
        const QRegularExpressionMatch first = numbered.match(names[from]);
        if (first.hasMatch()) {
            for (int next = first.captured(2).toInt() + 1; to < names.size(); ++to, ++next) {
                const QRegularExpressionMatch match = numbered.match(names[to]);
                if (!match.hasMatch() || match.captured(1) != first.captured(1) || match.captured(2).toInt() != next)
                    break;
            }
        }
        if (to - from >= kShortestRun)
            said << names[from] + kRunDash + names[to - 1];
        else
            said << names.mid(from, to - from);
        from = to;
    }
    return said.join(kListGap);
}

int ShortestPathWidth(const QFontMetrics& metrics, const QString& path)
{
    return metrics.horizontalAdvance(path.left(kShortestPathChars)) + metrics.horizontalAdvance(kEllipsis);
}

// text with the path in its details, where it is, cut in its middle as short as it may be.
QString ShortestPath(const QFontMetrics& metrics, const QString& text, const QString& path)
{
    const qsizetype at = path.isEmpty() ? -1 : text.indexOf(path, Lead(text).size());
    if (at < 0)
        return text;
    return text.left(at) + metrics.elidedText(path, Qt::ElideMiddle, ShortestPathWidth(metrics, path))
           + text.mid(at + path.size());
}

// before + path + after in room pixels, the path cut in its middle to no less than
// shortest pixels.
QString CutPathInMiddle(const QFontMetrics& metrics, const QString& before, const QString& path,
                        const QString& after, int room, int shortest)
{
    const int pathRoom = std::max(room - metrics.horizontalAdvance(before + after), shortest);
    QString shown = before + metrics.elidedText(path, Qt::ElideMiddle, pathRoom) + after;
    // Where the pieces meet, the text may come out a pixel wider than they are apart.
    const int over = metrics.horizontalAdvance(shown) - room;
    if (over > 0 && pathRoom > shortest)
        shown = before + metrics.elidedText(path, Qt::ElideMiddle, std::max(pathRoom - over, shortest)) + after;
    return shown;
}

// Where the path in a message starts and how long it is; -1 when it carries none.
std::pair<qsizetype, qsizetype> PathInMessage(const QString& text)
{
    qsizetype from = 0;
    while ((from = text.indexOf(QLatin1Char('/'), from)) >= 0) {
        if (from == 0 || text[from - 1].isSpace() || text[from - 1] == QLatin1Char('"') || text[from - 1] == QLatin1Char('\''))
            break;
        ++from;
    }
    if (from < 0)
        return {-1, 0};
    qsizetype to = text.size();
    for (const QString& end : {kHeadEnd, QStringLiteral(" ("), kListGap, QStringLiteral("\""), QStringLiteral("'")}) {
        const qsizetype at = text.indexOf(end, from);
        if (at >= 0)
            to = std::min(to, at);
    }
    // The full stop that ends the message is no part of the path.
    if (to == text.size() && text.endsWith(QLatin1Char('.')))
        --to;
    return {from, to - from};
}

Piece NotePiece(const QFontMetrics& metrics, const QString& text, const QString& path, bool bReturn, bool bHeadAlone)
{
    Piece piece;
    piece.text = text;
    piece.path = path;
    piece.bReturn = bReturn;
    piece.bHeadAlone = bHeadAlone;
    piece.full = metrics.horizontalAdvance(text);
    piece.compact = metrics.horizontalAdvance(ShortestPath(metrics, text, path));
    // A note with no head is its own head.
    const QString head = Head(text);
    piece.least = head.isEmpty() ? piece.compact
                                 : std::min(piece.compact, metrics.horizontalAdvance(bHeadAlone ? head : head + kEllipsis));
    piece.narrowest = std::min(piece.least, metrics.horizontalAdvance(Name(text) + kEllipsis));
    return piece;
}

Piece JoinedPiece(const QFontMetrics& metrics, const QStringList& notes, const NoteJoining& joining)
{
    QStringList names;
    for (const QString& note : notes)
        names << Name(note);
    Piece piece;
    piece.tail = kHeadEnd + joining.details;
    QStringList lists{names.join(kListGap), Runs(names)};
    if (!joining.plural.isEmpty())
        lists << QString::number(names.size()) + QLatin1Char(' ') + joining.plural;
    for (int narrowest = INT_MAX; const QString& list : lists) {
        const QString form = list + piece.tail;
        const int width = metrics.horizontalAdvance(form);
        if (width < narrowest) {
            piece.forms << form;
            narrowest = width;
        }
    }
    // The whole list is the head of joined notes: it gives way only where heads do.
    piece.text = piece.forms.first();
    piece.full = metrics.horizontalAdvance(piece.text);
    piece.compact = piece.full;
    piece.least = piece.full;
    piece.narrowest = metrics.horizontalAdvance(piece.forms.last());
    return piece;
}

// The pieces a label shows, its joined notes in the place of the first of them.
void MakePieces(NoteLabel& entry, bool bHeadAlone = false)
{
    const QFontMetrics& metrics = entry.metrics();
    entry.gap = metrics.horizontalAdvance(entry.separator);
    entry.pieces.clear();
    QStringList joined;
    size_t joinedAt = 0;
    for (qsizetype i = 0; i < entry.given->notes.size(); ++i) {
        const bool bReturn = entry.given->returns.value(i);
        if (entry.bJoined && !bReturn) {
            if (joined.isEmpty()) {
                joinedAt = entry.pieces.size();
                entry.pieces.emplace_back();
            }
            joined << entry.given->notes[i];
            continue;
        }
        entry.pieces.push_back(
            NotePiece(metrics, entry.given->notes[i], entry.given->paths.value(i), bReturn, bHeadAlone));
    }
    if (!joined.isEmpty())
        entry.pieces[joinedAt] = JoinedPiece(metrics, joined, entry.given->joining);
}

// A note as it fits in room pixels (see FitStatusNote). bHeadAlone: among the notes of
// labels joined into one, where a head alone needs no ellipsis after it.
QString FitNote(const QFontMetrics& metrics, const QString& text, const QString& path, int room, bool bHeadAlone)
{
    if (metrics.horizontalAdvance(text) <= room)
        return text;
    const QString head = Head(text);
    const QString lead = Lead(text);
    QString details = text.mid(lead.size());
    const qsizetype at = path.isEmpty() ? -1 : details.indexOf(path);
    if (at >= 0) {
        const QString shown = CutPathInMiddle(metrics, lead + details.left(at), path, details.mid(at + path.size()),
                                              room, ShortestPathWidth(metrics, path));
        if (metrics.horizontalAdvance(shown) <= room)
            return shown;
        details = shown.mid(lead.size());
    }
    if (!head.isEmpty()) {
        const QString cut = metrics.elidedText(details, Qt::ElideRight, room - metrics.horizontalAdvance(lead));
        // Next to nothing of the details left ("/…" says nothing): the ellipsis follows
        // the head, which then needs no ": ".
        if (cut.size() > kShortestPathChars)
            return lead + cut;
        const QString alone = bHeadAlone ? head : head + kEllipsis;
        if (metrics.horizontalAdvance(alone) <= room)
            return alone;
    }
    // A head cut short keeps at least its first word, where that fits.
    const QString cut = CutAtEnd(metrics, text, room);
    const QString word = Name(text) + kEllipsis;
    return cut.size() < word.size() && metrics.horizontalAdvance(word) <= room ? word : cut;
}

// The piece's text as it fits its share. Joined notes shorten their list, and when even
// the count is too wide they cut it, never what is wrong.
QString ShownText(const QFontMetrics& metrics, const Piece& piece)
{
    if (piece.forms.isEmpty())
        return FitNote(metrics, piece.text, piece.path, piece.share, piece.bHeadAlone);
    for (const QString& form : piece.forms)
        if (metrics.horizontalAdvance(form) <= piece.share)
            return form;
    const QString& narrowest = piece.forms.last();
    const QString list = metrics.elidedText(narrowest.chopped(piece.tail.size()), Qt::ElideRight,
                                            piece.share - metrics.horizontalAdvance(piece.tail));
    if (!list.isEmpty())
        return list + piece.tail;
    return CutAtEnd(metrics, narrowest, piece.share);
}

bool IsJoined(const Piece* piece) { return !piece->forms.isEmpty(); }

int Sum(const std::vector<Piece*>& pieces, int Piece::*width)
{
    int sum = 0;
    for (const Piece* piece : pieces)
        sum += piece->*width;
    return sum;
}

// Shares room among the pieces: each keeps its head when the heads fit, then every word,
// its path at its shortest, then the paths lengthen; at each step the pieces that need
// least are served whole first. Pieces come in the bar's order, from its left end.
void ShareOut(std::vector<Piece*> pieces, int room)
{
    const int leastSum = Sum(pieces, &Piece::least);
    if (room < leastSum) {
        // The joined lists shorten first, to a run or a count; then the other heads give
        // way from the bar's left end, each to its first word. Where even that is too
        // wide, each keeps its first word and the label is cut at its end.
        int wanting = leastSum - room;
        for (const bool bJoined : {true, false}) {
            for (Piece* piece : pieces) {
                if (IsJoined(piece) != bJoined)
                    continue;
                const int give = std::min(wanting, piece->least - piece->narrowest);
                piece->share = piece->least - give;
                wanting -= give;
            }
        }
        return;
    }
    const int compactSum = Sum(pieces, &Piece::compact);
    const bool bWords = room >= compactSum;
    int Piece::*from = bWords ? &Piece::compact : &Piece::least;
    int Piece::*to = bWords ? &Piece::full : &Piece::compact;
    int extra = room - (bWords ? compactSum : leastSum);
    std::sort(pieces.begin(), pieces.end(),
              [&](const Piece* a, const Piece* b) { return a->*to - a->*from < b->*to - b->*from; });
    int left = int(pieces.size());
    for (Piece* piece : pieces) {
        const int give = std::min(piece->*to - piece->*from, extra / left--);
        piece->share = piece->*from + give;
        extra -= give;
    }
}

// The pieces (the returns too, when bReturns), and the room they have: each is charged
// its gap, and each label that shows one has a gap back. A label is as wide as its text
// rounded up, and each piece is measured rounded: a pixel each is kept for that.
std::vector<Piece*> Pieces(std::vector<NoteLabel>& labels, bool bReturns, int& room)
{
    std::vector<Piece*> pieces;
    for (NoteLabel& entry : labels) {
        const size_t before = pieces.size();
        for (Piece& piece : entry.pieces) {
            if (bReturns || !piece.bReturn) {
                pieces.push_back(&piece);
                room -= entry.gap + 1;
            }
        }
        room += pieces.size() > before ? entry.gap : 0;
    }
    return pieces;
}

// What a label takes, the gaps between its pieces included.
int Taken(const NoteLabel& entry)
{
    int taken = 0;
    int shown = 0;
    for (const Piece& piece : entry.pieces) {
        if (piece.bShown) {
            taken += piece.share + 1;
            ++shown;
        }
    }
    return taken + entry.gap * std::max(shown - 1, 0);
}

int Used(const std::vector<NoteLabel>& labels)
{
    int used = 0;
    for (const NoteLabel& entry : labels)
        used += Taken(entry);
    return used;
}

// Shares room among the notes, what is wrong before what is back; returns the room
// they take.
int ShareAmongNotes(std::vector<NoteLabel>& labels, int room)
{
    int allRoom = room;
    std::vector<Piece*> pieces = Pieces(labels, true, allRoom);
    if (Sum(pieces, &Piece::compact) <= allRoom) {
        ShareOut(pieces, allRoom);
        return Used(labels);
    }
    int failureRoom = room;
    pieces = Pieces(labels, false, failureRoom);
    if (Sum(pieces, &Piece::full) <= failureRoom) {
        for (Piece* piece : pieces)
            piece->share = piece->full;
        // Each return whole or cut at its end, in turn, or not at all.
        int left = failureRoom - Sum(pieces, &Piece::full);
        for (NoteLabel& entry : labels) {
            bool bAny = std::any_of(entry.pieces.begin(), entry.pieces.end(), [](const Piece& p) { return !p.bReturn; });
            for (Piece& piece : entry.pieces) {
                if (!piece.bReturn)
                    continue;
                const int cost = (bAny ? entry.gap : 0) + 1;
                piece.bShown = left - cost >= piece.least;
                if (!piece.bShown)
                    continue;
                piece.share = std::min(piece.full, left - cost);
                left -= piece.share + cost;
                bAny = true;
            }
        }
        return Used(labels);
    }
    for (NoteLabel& entry : labels)
        for (Piece& piece : entry.pieces)
            piece.bShown = !piece.bReturn;
    ShareOut(pieces, failureRoom);
    return Used(labels);
}

// What the notes that say what is wrong need to show their heads, gaps included.
int HeadsNeed(std::vector<NoteLabel>& labels)
{
    int costs = 0;
    const std::vector<Piece*> pieces = Pieces(labels, false, costs);
    return Sum(pieces, &Piece::least) - costs;
}

// Joins the labels into the first that says something wrong: it holds the failures of
// all, each by its head, in the bar's order; the returns give way. Returns the room the
// other labels give back.
int JoinLabels(std::vector<NoteLabel>& labels, int labelGap)
{
    NoteLabel* host = nullptr;
    std::vector<Piece> failures;
    int holding = 0;
    for (NoteLabel& entry : labels) {
        if (entry.given->notes.isEmpty())
            continue;
        ++holding;
        MakePieces(entry, true);
        for (Piece& piece : entry.pieces) {
            if (piece.bReturn)
                continue;
            failures.push_back(std::move(piece));
            if (!host)
                host = &entry;
        }
        entry.pieces.clear();
    }
    if (!host)
        return 0;
    host->separator = kJoinedGap;
    host->gap = host->metrics().horizontalAdvance(kJoinedGap);
    host->pieces = std::move(failures);
    return labelGap * (holding - 1);
}

// Each shown piece's text as it fits its share. What a piece cannot use of its share (the
// rest of a word, details too short to say anything) goes to the pieces that can, from
// the bar's right end; what none can use ends the row, so that the room is taken.
void FitPieces(std::vector<NoteLabel>& labels)
{
    int slack = 0;
    Piece* last = nullptr;
    for (NoteLabel& entry : labels) {
        for (Piece& piece : entry.pieces) {
            if (!piece.bShown)
                continue;
            piece.shown = ShownText(entry.metrics(), piece);
            const int used = entry.metrics().horizontalAdvance(piece.shown);
            slack += piece.share - used;
            piece.share = used;
            last = &piece;
        }
    }
    for (auto entry = labels.rbegin(); entry != labels.rend() && slack > 0; ++entry) {
        for (auto piece = entry->pieces.rbegin(); piece != entry->pieces.rend() && slack > 0; ++piece) {
            if (!piece->bShown)
                continue;
            const int used = piece->share;
            piece->share += slack;
            const QString more = ShownText(entry->metrics(), *piece);
            piece->share = std::max(entry->metrics().horizontalAdvance(more), used);
            if (piece->share > used)
                piece->shown = more;
            slack -= piece->share - used;
        }
    }
    if (last)
        last->share += slack;
}

}  // namespace

std::vector<FittedNotes> FitNotesToRoom(const std::vector<LabelNotes>& given, const NoteRoom& bar, int* used)
{
    std::vector<NoteLabel> labels(given.size());
    for (size_t i = 0; i < given.size(); ++i) {
        labels[i].given = &given[i];
        MakePieces(labels[i]);
    }
    // The message keeps its third while the heads fit beside it, the notes that may join
    // joined; then it gives way down to its words; then the labels join.
    int room = bar.room;
    int need = HeadsNeed(labels);
    if (need > room - bar.messageKeeps) {
        for (NoteLabel& entry : labels) {
            if (entry.CanJoin()) {
                entry.bJoined = true;
                MakePieces(entry);
            }
        }
        need = HeadsNeed(labels);
    }
    const bool bJoinedLabels = bar.bLabelsMayJoin && need > room - bar.messageWords;
    if (bJoinedLabels) {
        room += JoinLabels(labels, bar.labelGap);
        need = HeadsNeed(labels);
    }
    const int noteRoom = std::max(room - bar.messageKeeps, std::min(need, room));
    ShareAmongNotes(labels, noteRoom);
    FitPieces(labels);

    std::vector<FittedNotes> fitted;
    int taken = 0;
    for (const NoteLabel& entry : labels) {
        QStringList shown;
        for (const Piece& piece : entry.pieces)
            if (piece.bShown)
                shown << piece.shown;
        FittedNotes label{shown.join(entry.separator), Taken(entry), entry.given->notes};
        if (entry.separator == kJoinedGap) {
            // The labels joined: this one speaks for all of them.
            label.notes.clear();
            for (const LabelNotes& other : given)
                label.notes << other.notes;
            // Even their first words too wide: cut at the end, where a note that would
            // be an ellipsis alone gives way to the one before, which ends in one.
            if (label.width > noteRoom) {
                label.text = CutAtEnd(entry.metrics(), label.text, noteRoom - 1);
                if (label.text.endsWith(kJoinedGap + kEllipsis))
                    label.text.chop(kJoinedGap.size() + 1);
                label.width = std::max(noteRoom, 0);
            }
        } else if (bJoinedLabels) {
            label.bShown = false;
        }
        // A label joined into another is not shown: its gap is given back.
        taken += label.bShown ? label.width : entry.given->notes.isEmpty() ? 0 : -bar.labelGap;
        fitted.push_back(label);
    }
    if (used)
        *used = taken;
    return fitted;
}

QString NotesSideBySide(const QStringList& notes) { return notes.join(kNoteGap); }

int MessageKeeps(int barWidth, int messageWidth) { return std::clamp(messageWidth, 0, std::max((barWidth + 2) / 3, 0)); }

QString FitStatusMessage(const QFontMetrics& metrics, const QString& text, int room)
{
    if (metrics.horizontalAdvance(text) <= room)
        return text;
    QString shown = text;
    if (const auto [at, length] = PathInMessage(text); at >= 0 && length > 1) {
        shown = CutPathInMiddle(metrics, text.left(at), text.mid(at, length), text.mid(at + length), room,
                                metrics.horizontalAdvance(kEllipsis));
    }
    return metrics.elidedText(shown, Qt::ElideRight, std::max(room, 0));
}

QString FitStatusNote(const QFontMetrics& metrics, const QString& text, const QString& path, int room)
{
    return FitNote(metrics, text, path, room, false);
}

QString MessageWords(const QString& text)
{
    const auto [at, length] = PathInMessage(text);
    return at >= 0 && length > 1 ? text.left(at) + kEllipsis + text.mid(at + length) : text;
}
