#include "statusnotes.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <vector>

namespace {

// What a note label keeps besides its shown text, so that it can be fitted again.
const char* const kNotes = "horaluxNotes";
const char* const kNotePaths = "horaluxNotePaths";
const char* const kJoinedDetails = "horaluxJoinedDetails";
const char* const kNoteJoins = "horaluxNoteJoins";
const char* const kLeftText = "horaluxLeftText";
const char* const kGivesWay = "horaluxGivesWay";

const QString kHeadEnd = QStringLiteral(": ");
const QString kNoteGap = QStringLiteral("  ");
const QChar kEllipsis(0x2026);

// The gap the bar's layout leaves before each of its widgets, and what it keeps around
// its left text (6 px before, 2 after, and 2 to spare).
constexpr int kWidgetGap = 6;
constexpr int kLeftInset = 10;

// A path cut shorter than this says nothing about which device it was.
constexpr int kShortestPathChars = 8;

bool IsNote(const QWidget* widget) { return widget->property(kNotes).isValid(); }
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

struct Piece
{
    QLabel* label;
    QString text;
    QString path;
    int full;   // the whole text
    int least;  // the head and an ellipsis
    bool bJoined = false;
    int share = 0;
};

// A label's notes, and whether the bar shows them joined into one.
struct NoteLabel
{
    QLabel* label;
    QStringList notes;
    QStringList paths;
    QList<bool> joins;      // for each note, whether it may join the others
    QString joinedDetails;  // empty: the notes never join
    bool bJoined = false;

    int Joining() const { return int(joins.count(true)); }
};

// The first word of each note's head, then the details that stand for them all.
QString JoinedNote(const QStringList& notes, const QString& details)
{
    QStringList names;
    for (const QString& note : notes) {
        const QString head = Head(note);
        names << (head.isEmpty() ? note : head).section(QLatin1Char(' '), 0, 0);
    }
    return names.join(QStringLiteral(", ")) + kHeadEnd + details;
}

// The pieces the labels show, measured; returns the room the gaps between the pieces
// of one label take.
int MakePieces(const std::vector<NoteLabel>& labels, std::vector<Piece>& pieces)
{
    pieces.clear();
    int gaps = 0;
    for (const NoteLabel& entry : labels) {
        const QFontMetrics metrics = entry.label->fontMetrics();
        const auto add = [&](const QString& text, const QString& path, bool bJoined = false) {
            const int full = metrics.horizontalAdvance(text);
            const int least = metrics.horizontalAdvance(Head(text) + kEllipsis);
            pieces.push_back({entry.label, text, path, full, std::min(full, least), bJoined});
        };
        QStringList joined;
        for (qsizetype i = 0; i < entry.notes.size(); ++i) {
            if (entry.bJoined && entry.joins.value(i))
                joined << entry.notes[i];
            else
                add(entry.notes[i], entry.paths.value(i));
        }
        if (!joined.isEmpty())
            add(JoinedNote(joined, entry.joinedDetails), QString(), true);
        const qsizetype shown = entry.notes.size() - std::max<qsizetype>(joined.size() - 1, 0);
        gaps += metrics.horizontalAdvance(kNoteGap) * int(std::max<qsizetype>(shown - 1, 0));
    }
    return gaps;
}

int LeastSum(const std::vector<Piece>& pieces)
{
    int sum = 0;
    for (const Piece& piece : pieces)
        sum += piece.least;
    return sum;
}

// Shares room among the pieces (only the joined ones, when bJoinedOnly) in proportion to
// what each needs least.
void ShareInProportion(std::vector<Piece*>& pieces, int room, bool bJoinedOnly)
{
    int sum = 0;
    for (const Piece* piece : pieces)
        if (piece->bJoined || !bJoinedOnly)
            sum += piece->least;
    for (Piece* piece : pieces)
        if (piece->bJoined || !bJoinedOnly)
            piece->share = sum > 0 ? int(qint64(std::max(room, 0)) * piece->least / sum) : 0;
}

// Shares room among the pieces: each keeps its head when the heads fit; of what is
// left, the pieces that need least are served whole first. When the heads do not fit,
// joined notes give way before the others, whose heads say what is wrong on their own.
void ShareOut(std::vector<Piece*>& pieces, int room)
{
    int leastSum = 0;
    int joinedSum = 0;
    for (const Piece* piece : pieces) {
        leastSum += piece->least;
        joinedSum += piece->bJoined ? piece->least : 0;
    }
    if (room < leastSum) {
        if (joinedSum > 0 && room >= leastSum - joinedSum) {
            for (Piece* piece : pieces)
                piece->share = piece->least;
            ShareInProportion(pieces, room - (leastSum - joinedSum), true);
        } else {
            ShareInProportion(pieces, room, false);
        }
        return;
    }
    int extra = room - leastSum;
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece* a, const Piece* b) { return a->full - a->least < b->full - b->least; });
    int left = int(pieces.size());
    for (Piece* piece : pieces) {
        const int give = std::min(piece->full - piece->least, extra / left--);
        piece->share = piece->least + give;
        extra -= give;
    }
}

void FitNotes(QStatusBar* bar)
{
    const QString leftText = bar->property(kLeftText).toString();
    const int leftWidth = bar->fontMetrics().horizontalAdvance(leftText);
    int room = bar->width() - kLeftInset - leftWidth;
    std::vector<NoteLabel> labels;
    QLabel* givingWay = nullptr;
    for (QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (widget->isHidden())
            continue;
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && IsNote(label)) {
            labels.push_back({label, label->property(kNotes).toStringList(),
                              label->property(kNotePaths).toStringList(),
                              label->property(kNoteJoins).value<QList<bool>>(),
                              label->property(kJoinedDetails).toString()});
        } else if (label && GivesWay(label) && !givingWay) {
            givingWay = label;
        } else {
            room -= widget->sizeHint().width() + kWidgetGap;
        }
    }
    room -= kWidgetGap * int(labels.size() + (givingWay ? 1 : 0));
    std::vector<Piece> pieces;
    int gaps = MakePieces(labels, pieces);
    // The heads come before the left text (a help hint): it gives way as far as they
    // need, and is clipped where the bar draws it. Where even that is not enough, the
    // notes that may join do, so that every head still says what is wrong.
    if (LeastSum(pieces) + gaps > room + leftWidth) {
        for (NoteLabel& entry : labels)
            entry.bJoined = !entry.joinedDetails.isEmpty() && entry.Joining() > 1;
        gaps = MakePieces(labels, pieces);
    }
    room -= gaps;
    const int leastSum = LeastSum(pieces);
    if (leastSum > room)
        room += std::min(leastSum - room, leftWidth);

    int fullSum = 0;
    for (const Piece& piece : pieces)
        fullSum += piece.full;
    // Room goes to the notes first; the identity line takes what they leave.
    if (givingWay) {
        const int lineFull = givingWay->sizeHint().width();
        const int lineRoom = std::clamp(room - fullSum, 0, lineFull);
        room -= lineRoom;
        givingWay->setMaximumWidth(lineRoom >= lineFull ? QWIDGETSIZE_MAX : lineRoom);
        if (givingWay->toolTip() != givingWay->text())
            givingWay->setToolTip(givingWay->text());
    }

    std::vector<Piece*> order;
    for (Piece& piece : pieces)
        order.push_back(&piece);
    ShareOut(order, room);
    for (const NoteLabel& entry : labels) {
        QStringList shown;
        for (const Piece& piece : pieces)
            if (piece.label == entry.label)
                shown << FitStatusNote(entry.label->fontMetrics(), piece.text, piece.path, piece.share);
        entry.label->setText(shown.join(kNoteGap));
    }
}

// Fits the notes again when the room changes: a resized window, or another label of the
// bar taking a longer text.
class NoteFitter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
            FitNotes(static_cast<QStatusBar*>(watched));
        return false;
    }
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
        const int shortest =
            metrics.horizontalAdvance(path.left(kShortestPathChars)) + metrics.horizontalAdvance(kEllipsis);
        const int pathRoom = std::max(room - metrics.horizontalAdvance(before + after), shortest);
        details = details.left(at) + metrics.elidedText(path, Qt::ElideMiddle, pathRoom) + after;
        if (metrics.horizontalAdvance(lead + details) <= room)
            return lead + details;
    }
    if (!head.isEmpty()) {
        const QString cut = metrics.elidedText(details, Qt::ElideRight, room - metrics.horizontalAdvance(lead));
        // Nothing of the details left: the ellipsis follows the head, which then needs
        // no ": ".
        if (!cut.isEmpty() && cut != kEllipsis)
            return lead + cut;
        if (metrics.horizontalAdvance(head + kEllipsis) <= room)
            return head + kEllipsis;
    }
    return metrics.elidedText(text, Qt::ElideRight, std::max(room, 0));
}

namespace {

void SetNotes(QLabel* label, const QStringList& notes, const QStringList& paths, const QString& joinedDetails,
              const QList<bool>& joins)
{
    if (!label)
        return;
    QStringList said;
    QStringList saidPaths;
    QList<bool> saidJoins;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (notes[i].isEmpty())
            continue;
        said << notes[i];
        saidPaths << paths.value(i);
        saidJoins << joins.value(i, joins.isEmpty());
    }
    // Asked again and again for the same (the link is looked at four times a second):
    // the window is left at rest.
    if (IsNote(label) && label->property(kNotes).toStringList() == said
        && label->property(kNotePaths).toStringList() == saidPaths
        && label->property(kNoteJoins).value<QList<bool>>() == saidJoins
        && label->property(kJoinedDetails).toString() == joinedDetails)
        return;
    // Device names and received words are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setToolTip(said.join(QLatin1Char('\n')));
    label->setProperty(kNotes, said);
    label->setProperty(kNotePaths, saidPaths);
    label->setProperty(kNoteJoins, QVariant::fromValue(saidJoins));
    label->setProperty(kJoinedDetails, joinedDetails);
    label->setText(said.join(kNoteGap));
    // A label not yet in its bar would show as a window of its own.
    if (label->parentWidget())
        label->setVisible(!said.isEmpty());
    if (auto* bar = qobject_cast<QStatusBar*>(label->parentWidget()))
        FitNotes(bar);
}

}  // namespace

void ShowStatusNote(QLabel* label, const QString& text, const QString& path)
{
    SetNotes(label, QStringList{text}, QStringList{path}, QString(), {});
}

void ShowStatusNotes(QLabel* label, const QStringList& notes, const QStringList& paths, const QString& joinedDetails,
                     const QList<bool>& joins)
{
    SetNotes(label, notes, paths, joinedDetails, joins);
}

QLabel* NewGivingWayLabel() { return new GivingWayLabel(); }

void KeepStatusRoom(QStatusBar* bar, const QString& leftText)
{
    if (!bar)
        return;
    if (!bar->property(kLeftText).isValid())
        bar->installEventFilter(new NoteFitter(bar));
    bar->setProperty(kLeftText, leftText);
    FitNotes(bar);
}
