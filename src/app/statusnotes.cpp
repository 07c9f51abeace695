#include "statusnotes.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSizeGrip>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

// What a note label keeps besides its shown text, so that it can be fitted again.
const char* const kNotes = "horaluxNotes";
const char* const kNotePaths = "horaluxNotePaths";
const char* const kNoteReturns = "horaluxNoteReturns";
const char* const kJoinedDetails = "horaluxJoinedDetails";
const char* const kJoinedPlural = "horaluxJoinedPlural";
const char* const kLeftText = "horaluxLeftText";
const char* const kLeftTextDrawn = "horaluxLeftTextDrawn";
const char* const kTipText = "horaluxTipText";
const char* const kMessageMs = "horaluxMessageMs";
const char* const kGivesWay = "horaluxGivesWay";

const QString kHeadEnd = QStringLiteral(": ");
const QString kNoteGap = QStringLiteral("  ");
const QString kListGap = QStringLiteral(", ");
const QChar kEllipsis(0x2026);
const QChar kRunDash(0x2013);

// How the bar lays out its row of widgets: 2 px before the room of its left text, 6 px
// between widgets. The left text is drawn from 6 px in to 2 px before the first widget.
constexpr int kRowLead = 2;
constexpr int kWidgetGap = 6;
constexpr int kLeftTextLead = 6;
constexpr int kLeftTextTrail = 2;

// A path cut shorter than this says nothing about which device it was.
constexpr int kShortestPathChars = 8;
// Joined notes name a run of at least this many consecutive devices by its ends.
constexpr int kShortestRun = 3;

bool IsNote(const QWidget* widget) { return widget->property(kNotes).isValid(); }
bool HoldsNotes(const QWidget* widget) { return !widget->property(kNotes).toStringList().isEmpty(); }
bool GivesWay(const QWidget* widget) { return widget->property(kGivesWay).toBool(); }

// The head, or nothing when the text has none.
QString Head(const QString& text)
{
    const qsizetype end = text.indexOf(kHeadEnd);
    return end > 0 ? text.left(end) : QString();
}

// The receiver's identity: drawn cut at its end when the bar has not the room for it,
// while text() stays whole for everything that reads it.
class GivingWayLabel : public QLabel
{
public:
    GivingWayLabel()
    {
        setTextFormat(Qt::PlainText);
        setProperty(kGivesWay, true);
    }

    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // setText is no virtual: the tool tip follows the text at the next fitting of the
        // bar or the next paint, whichever comes first.
        if (toolTip() != text())
            setToolTip(text());
        QPainter painter(this);
        const QRect room = contentsRect();
        style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(),
                              fontMetrics().elidedText(text(), Qt::ElideRight, room.width()),
                              foregroundRole());
    }
};

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
    int full = 0;     // the whole text
    int compact = 0;  // every word, the path at its shortest
    int least = 0;      // the head and an ellipsis; joined notes: their whole list
    int narrowest = 0;  // the head's first word and an ellipsis; joined notes: their narrowest form
    int share = 0;
    bool bShown = true;
    QString shown;  // the text as it fits its share
};

// A label's notes, and whether the bar shows them joined into one.
struct NoteLabel
{
    QLabel* label = nullptr;
    QStringList notes;
    QStringList paths;
    QList<bool> returns;
    NoteJoining joining;
    bool bJoined = false;
    std::vector<Piece> pieces;
    int gap = 0;  // between two pieces

    bool CanJoin() const { return !joining.details.isEmpty() && returns.count(false) > 1; }
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
    const QString head = Head(text);
    const qsizetype at = path.isEmpty() ? -1 : text.indexOf(path, head.isEmpty() ? 0 : head.size() + kHeadEnd.size());
    if (at < 0)
        return text;
    return text.left(at) + metrics.elidedText(path, Qt::ElideMiddle, ShortestPathWidth(metrics, path))
           + text.mid(at + path.size());
}

Piece NotePiece(const QFontMetrics& metrics, const QString& text, const QString& path, bool bReturn)
{
    Piece piece;
    piece.text = text;
    piece.path = path;
    piece.bReturn = bReturn;
    piece.full = metrics.horizontalAdvance(text);
    piece.compact = metrics.horizontalAdvance(ShortestPath(metrics, text, path));
    piece.least = std::min(piece.compact, metrics.horizontalAdvance(Head(text) + kEllipsis));
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
void MakePieces(NoteLabel& entry)
{
    const QFontMetrics metrics = entry.label->fontMetrics();
    entry.gap = metrics.horizontalAdvance(kNoteGap);
    entry.pieces.clear();
    QStringList joined;
    size_t joinedAt = 0;
    for (qsizetype i = 0; i < entry.notes.size(); ++i) {
        const bool bReturn = entry.returns.value(i);
        if (entry.bJoined && !bReturn) {
            if (joined.isEmpty()) {
                joinedAt = entry.pieces.size();
                entry.pieces.emplace_back();
            }
            joined << entry.notes[i];
            continue;
        }
        entry.pieces.push_back(NotePiece(metrics, entry.notes[i], entry.paths.value(i), bReturn));
    }
    if (!joined.isEmpty())
        entry.pieces[joinedAt] = JoinedPiece(metrics, joined, entry.joining);
}

// The piece's text as it fits its share. Joined notes shorten their list, and when even
// the count is too wide they cut it, never what is wrong.
QString ShownText(const QFontMetrics& metrics, const Piece& piece)
{
    if (piece.forms.isEmpty())
        return FitStatusNote(metrics, piece.text, piece.path, piece.share);
    for (const QString& form : piece.forms)
        if (metrics.horizontalAdvance(form) <= piece.share)
            return form;
    const QString& narrowest = piece.forms.last();
    const QString list = metrics.elidedText(narrowest.chopped(piece.tail.size()), Qt::ElideRight,
                                            piece.share - metrics.horizontalAdvance(piece.tail));
    if (!list.isEmpty())
        return list + piece.tail;
    return metrics.elidedText(narrowest, Qt::ElideRight, std::max(piece.share, 0));
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
        // way from the bar's left end, each to its first word; then all in proportion.
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
        if (wanting > 0) {
            // Each share ends where its part of the whole does: rounded alike, they add up
            // to the room to the pixel.
            qint64 before = 0;
            int given = 0;
            for (Piece* piece : pieces) {
                before += piece->least;
                const int upTo = int(qint64(std::max(room, 0)) * before / std::max(leastSum, 1));
                piece->share = upTo - given;
                given = upTo;
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
    // Where even the heads do not fit, the notes that may join do, so that every head
    // still says what is wrong.
    if (Sum(pieces, &Piece::least) > failureRoom) {
        for (NoteLabel& entry : labels) {
            if (entry.CanJoin()) {
                entry.bJoined = true;
                MakePieces(entry);
            }
        }
        failureRoom = room;
        pieces = Pieces(labels, false, failureRoom);
    }
    for (NoteLabel& entry : labels)
        for (Piece& piece : entry.pieces)
            piece.bShown = !piece.bReturn;
    ShareOut(pieces, failureRoom);
    return Used(labels);
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
            piece.shown = ShownText(entry.label->fontMetrics(), piece);
            const int used = entry.label->fontMetrics().horizontalAdvance(piece.shown);
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
            const QString more = ShownText(entry->label->fontMetrics(), *piece);
            piece->share = std::max(entry->label->fontMetrics().horizontalAdvance(more), used);
            if (piece->share > used)
                piece->shown = more;
            slack -= piece->share - used;
        }
    }
    if (last)
        last->share += slack;
}

// The width of the row the bar lays its widgets out in: a size grip has a column of its
// own beside it.
int RowWidth(const QStatusBar* bar)
{
    const auto* grip = bar->findChild<QSizeGrip*>(QString(), Qt::FindDirectChildrenOnly);
    if (!grip || grip->isHidden())
        return bar->width();
    const int spacing = bar->layout() ? std::max(bar->layout()->spacing(), 0) : 0;
    return bar->width() - grip->sizeHint().width() - 1 - spacing;
}

// Where widget stands in the bar's row, from its left end.
int BarIndex(const QStatusBar* bar, QWidget* widget)
{
    for (const QBoxLayout* row : bar->findChildren<QBoxLayout*>()) {
        const int index = row->indexOf(widget);
        if (index >= 0)
            return index;
    }
    return INT_MAX;
}

bool NoteOnShow(const QStatusBar* bar)
{
    for (const QLabel* label : bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (IsNote(label) && !label->isHidden() && HoldsNotes(label))
            return true;
    return false;
}

// The status tip of the menu entry the pointer is on, as the window heard of it.
bool ShowsTip(const QStatusBar* bar)
{
    return !bar->currentMessage().isEmpty() && bar->currentMessage() == bar->property(kTipText).toString();
}

// A message that is neither a status tip nor the hint: it stands for a while.
bool ShowsPassingMessage(const QStatusBar* bar)
{
    return !bar->currentMessage().isEmpty() && !ShowsTip(bar)
           && bar->currentMessage() != bar->property(kLeftText).toString();
}

// What the bar's left part shows: its message; the hint only while no note is on show.
QString LeftText(const QStatusBar* bar)
{
    if (bar->currentMessage() == bar->property(kLeftText).toString() && NoteOnShow(bar))
        return QString();
    return bar->currentMessage();
}

void FitNotes(QStatusBar* bar)
{
    // While the pointer is on a menu entry, its status tip has the notes' room; they are
    // back when it leaves.
    const bool bTip = ShowsTip(bar);
    for (QLabel* label : bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        const bool bShow = IsNote(label) && HoldsNotes(label) && !bTip;
        if (IsNote(label) && label->isHidden() == bShow)
            label->setVisible(bShow);
    }
    int room = RowWidth(bar) - kRowLead;
    std::vector<NoteLabel> labels;
    QLabel* givingWay = nullptr;
    int widgets = 0;
    for (QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (widget->isHidden() || widget->isWindow() || qobject_cast<QSizeGrip*>(widget))
            continue;
        ++widgets;
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && IsNote(label)) {
            NoteLabel& entry = labels.emplace_back();
            entry.label = label;
            entry.notes = label->property(kNotes).toStringList();
            entry.paths = label->property(kNotePaths).toStringList();
            entry.returns = label->property(kNoteReturns).value<QList<bool>>();
            entry.joining = {label->property(kJoinedDetails).toString(), label->property(kJoinedPlural).toString()};
            MakePieces(entry);
        } else if (label && GivesWay(label) && !givingWay) {
            givingWay = label;
        } else {
            room -= widget->sizeHint().width();
        }
    }
    room -= kWidgetGap * std::max(widgets - 1, 0);
    // What gives way, gives way from the bar's left end: the receiver's own notes are at
    // its right.
    std::stable_sort(labels.begin(), labels.end(), [bar](const NoteLabel& a, const NoteLabel& b) {
        return BarIndex(bar, a.label) < BarIndex(bar, b.label);
    });

    room -= ShareAmongNotes(labels, room);
    FitPieces(labels);
    // The left text has what the notes leave, before the identity line: all its width, not
    // the width rounded, or it would be cut by a letter.
    const QString left = LeftText(bar);
    if (!left.isEmpty())
        room -= int(std::ceil(QFontMetricsF(bar->font()).horizontalAdvance(left))) + kLeftTextLead + kLeftTextTrail
                - kRowLead;

    // The identity line takes what the notes leave.
    if (givingWay) {
        const int lineFull = givingWay->sizeHint().width();
        const int lineRoom = std::clamp(room, 0, lineFull);
        givingWay->setMaximumWidth(lineRoom >= lineFull ? QWIDGETSIZE_MAX : lineRoom);
        if (givingWay->toolTip() != givingWay->text())
            givingWay->setToolTip(givingWay->text());
    }
    for (const NoteLabel& entry : labels) {
        QStringList shown;
        for (const Piece& piece : entry.pieces)
            if (piece.bShown)
                shown << piece.shown;
        entry.label->setText(shown.join(kNoteGap));
        // A label is as wide as its share, however much of it the text needs: the notes
        // fill their room, and none of it is left blank at the bar's left end.
        const QMargins margins = entry.label->contentsMargins();
        const int textWidth = entry.label->sizeHint().width() - margins.left() - margins.right();
        entry.label->setContentsMargins(0, 0, std::max(Taken(entry) - textWidth, 0), 0);
    }
}

// Where the bar draws its left text: from 6 px in to a size grip, or to 2 px before its
// first widget. A tool tip shown for the bar is a child of it, and a window of its own.
int LeftTextRoom(const QStatusBar* bar)
{
    int right = bar->width() - 12;
    for (const QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!widget->isVisible() || widget->isWindow())
            continue;
        if (qobject_cast<const QSizeGrip*>(widget))
            right = std::min(right, widget->x());
        else
            right = std::min(right, widget->x() - kLeftTextTrail);
    }
    return right - kLeftTextLead;
}

QRect LeftTextRect(const QStatusBar* bar) { return {kLeftTextLead, 0, std::max(LeftTextRoom(bar), 0), bar->height()}; }

// The left text as it is drawn: cut with an ellipsis where it does not fit whole.
QString ShownLeftText(const QStatusBar* bar)
{
    return bar->fontMetrics().elidedText(LeftText(bar), Qt::ElideRight, LeftTextRect(bar).width());
}

// The widgets move once the layout has run: the left text is drawn again when what
// shows of it changes.
void RedrawLeftTextLater(QStatusBar* bar)
{
    QMetaObject::invokeMethod(bar, [bar] {
        const QString shown = ShownLeftText(bar);
        if (bar->property(kLeftTextDrawn).toString() != shown) {
            bar->setProperty(kLeftTextDrawn, shown);
            bar->update();
        }
    }, Qt::QueuedConnection);
}

// The bar as Qt's own draws itself: its panel, a frame around each widget and the left
// text, which is cut where it does not fit rather than clipped mid-letter.
void PaintBar(QStatusBar* bar, const QPaintEvent* event)
{
    QPainter painter(bar);
    QStyleOption panel;
    panel.initFrom(bar);
    bar->style()->drawPrimitive(QStyle::PE_PanelStatusBar, &panel, &painter, bar);
    for (QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect frame = widget->geometry().adjusted(-2, -1, 2, 1);
        if (!widget->isVisible() || widget->isWindow() || qobject_cast<QSizeGrip*>(widget)
            || !event->rect().intersects(frame))
            continue;
        QStyleOption item(0);
        item.rect = frame;
        item.palette = bar->palette();
        item.state = QStyle::State_None;
        bar->style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &item, &painter, widget);
    }
    painter.setPen(bar->palette().windowText().color());
    painter.drawText(LeftTextRect(bar), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine, ShownLeftText(bar));
}

// Fits the notes again when the room changes: a resized window, another label of the
// bar taking a longer text, or another message. Ends a passing message when its time is
// up, and tells a status tip from other messages as the window hears of it.
class NoteFitter : public QObject
{
public:
    explicit NoteFitter(QStatusBar* bar) : QObject(bar)
    {
        passing.setSingleShot(true);
        connect(&passing, &QTimer::timeout, bar, [bar] {
            if (ShowsPassingMessage(bar))
                bar->clearMessage();
        });
        connect(bar, &QStatusBar::messageChanged, this, [this, bar] {
            if (ShowsPassingMessage(bar))
                passing.start(bar->property(kMessageMs).toInt());
            else
                passing.stop();
            FitNotes(bar);
            RedrawLeftTextLater(bar);
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Heard by the window before it shows the tip in the bar.
        if (event->type() == QEvent::StatusTip) {
            if (auto* bar = qobject_cast<QStatusBar*>(parent()))
                bar->setProperty(kTipText, static_cast<QStatusTipEvent*>(event)->tip());
            return false;
        }
        // Events still come while the bar is destroyed, when it is a bar no longer.
        auto* bar = qobject_cast<QStatusBar*>(watched);
        if (!bar)
            return false;
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
            FitNotes(bar);
            RedrawLeftTextLater(bar);
        } else if (event->type() == QEvent::Paint) {
            PaintBar(bar, static_cast<QPaintEvent*>(event));
            return true;
        } else if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QRect room = LeftTextRect(bar);
            if (ShowsPassingMessage(bar) && room.contains(help->pos())) {
                QToolTip::showText(help->globalPos(), bar->currentMessage(), bar, room);
                return true;
            }
        }
        return false;
    }

private:
    QTimer passing;
};

}  // namespace

QString FitStatusNote(const QFontMetrics& metrics, const QString& text, const QString& path, int room)
{
    if (metrics.horizontalAdvance(text) <= room)
        return text;
    const QString head = Head(text);
    const QString lead = head.isEmpty() ? QString() : head + kHeadEnd;
    QString details = text.mid(lead.size());
    const qsizetype at = path.isEmpty() ? -1 : details.indexOf(path);
    if (at >= 0) {
        const QString before = lead + details.left(at);
        const QString after = details.mid(at + path.size());
        const int shortest = ShortestPathWidth(metrics, path);
        const int pathRoom = std::max(room - metrics.horizontalAdvance(before + after), shortest);
        QString shown = before + metrics.elidedText(path, Qt::ElideMiddle, pathRoom) + after;
        // Where the pieces meet, the text may come out a pixel wider than they are apart.
        const int over = metrics.horizontalAdvance(shown) - room;
        if (over > 0 && pathRoom > shortest)
            shown = before + metrics.elidedText(path, Qt::ElideMiddle, std::max(pathRoom - over, shortest)) + after;
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
        if (metrics.horizontalAdvance(head + kEllipsis) <= room)
            return head + kEllipsis;
    }
    // A head cut short keeps at least its first word, where that fits.
    const QString cut = metrics.elidedText(text, Qt::ElideRight, std::max(room, 0));
    const QString word = Name(text) + kEllipsis;
    return cut.size() < word.size() && metrics.horizontalAdvance(word) <= room ? word : cut;
}

namespace {

void SetNotes(QLabel* label, const QStringList& notes, const QStringList& paths, const QList<bool>& returns,
              const NoteJoining& joining)
{
    if (!label)
        return;
    QStringList said;
    QStringList saidPaths;
    QList<bool> saidReturns;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (notes[i].isEmpty())
            continue;
        said << notes[i];
        saidPaths << paths.value(i);
        saidReturns << returns.value(i);
    }
    // Asked again and again for the same (the link is looked at four times a second):
    // the window is left at rest.
    if (IsNote(label) && label->property(kNotes).toStringList() == said
        && label->property(kNotePaths).toStringList() == saidPaths
        && label->property(kNoteReturns).value<QList<bool>>() == saidReturns
        && label->property(kJoinedDetails).toString() == joining.details
        && label->property(kJoinedPlural).toString() == joining.plural)
        return;
    // Device names and received words are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    // The notes are fitted to the bar: a text set before the bar's own widgets settle
    // (a size grip shown with the window) must not widen the window for good.
    label->setMinimumWidth(1);
    label->setToolTip(said.join(QLatin1Char('\n')));
    label->setProperty(kNotes, said);
    label->setProperty(kNotePaths, saidPaths);
    label->setProperty(kNoteReturns, QVariant::fromValue(saidReturns));
    label->setProperty(kJoinedDetails, joining.details);
    label->setProperty(kJoinedPlural, joining.plural);
    label->setText(said.join(kNoteGap));
    // A label not yet in its bar would show as a window of its own.
    if (label->parentWidget())
        label->setVisible(!said.isEmpty());
    if (auto* bar = qobject_cast<QStatusBar*>(label->parentWidget()))
        FitNotes(bar);
}

}  // namespace

void ShowStatusNote(QLabel* label, const QString& text, const QString& path, bool bReturn)
{
    SetNotes(label, QStringList{text}, QStringList{path}, QList<bool>{bReturn}, {});
}

void ShowStatusNotes(QLabel* label, const QStringList& notes, const QStringList& paths, const QList<bool>& returns,
                     const NoteJoining& joining)
{
    SetNotes(label, notes, paths, returns, joining);
}

QLabel* NewGivingWayLabel() { return new GivingWayLabel(); }

void KeepStatusRoom(QStatusBar* bar, const QString& leftText, int messageMs)
{
    if (!bar)
        return;
    if (!bar->property(kLeftText).isValid()) {
        auto* fitter = new NoteFitter(bar);
        bar->installEventFilter(fitter);
        bar->window()->installEventFilter(fitter);
    }
    bar->setProperty(kLeftText, leftText);
    bar->setProperty(kMessageMs, messageMs);
    FitNotes(bar);
}
