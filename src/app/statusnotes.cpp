#include "statusnotes.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
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

// How the bar lays out its row of widgets: 2 px before the room of its left text, 6 px
// between widgets. The left text is drawn from 6 px in to 2 px before the first widget.
constexpr int kRowLead = 2;
constexpr int kWidgetGap = 6;
constexpr int kLeftTextLead = 6;
constexpr int kLeftTextTrail = 2;

// The child of type T that obj holds, if any: the bar's and the labels' own state.
template <typename T>
T* ChildOf(const QObject* obj)
{
    for (QObject* child : obj->children())
        if (auto* found = dynamic_cast<T*>(child))
            return found;
    return nullptr;
}

// What a note label holds besides its shown text, so that the bar can fit it again.
class HeldNotes : public QObject
{
public:
    explicit HeldNotes(QLabel* label) : QObject(label), notes(label->fontMetrics()) {}

    // The label's metrics as they are now: a font set since is measured too.
    LabelNotes Measured(const QLabel* label) const
    {
        LabelNotes measured = notes;
        measured.metrics = label->fontMetrics();
        return measured;
    }

    LabelNotes notes;
};

const HeldNotes* NotesOf(const QWidget* widget) { return ChildOf<HeldNotes>(widget); }
bool IsNote(const QWidget* widget) { return NotesOf(widget) != nullptr; }
bool HoldsNotes(const QWidget* widget) { return IsNote(widget) && !NotesOf(widget)->notes.notes.isEmpty(); }

// The receiver's identity: drawn cut at its end when the bar has not the room for it,
// while text() stays whole for everything that reads it.
class GivingWayLabel : public QLabel
{
public:
    GivingWayLabel() { setTextFormat(Qt::PlainText); }

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

bool GivesWay(const QWidget* widget) { return dynamic_cast<const GivingWayLabel*>(widget) != nullptr; }

void FitNotes(QStatusBar* bar);

// What the bar keeps of its own besides its widgets: its hint, what of its left text was
// drawn last, the status tip the window heard of, and how long other messages stand.
// It fits the notes again when the room changes: a resized window, another label of the
// bar taking a longer text, or another message. It ends a passing message when its time
// is up, and tells a status tip from other messages as the window hears of it.
class StatusRoom : public QObject
{
public:
    explicit StatusRoom(QStatusBar* bar);

    static StatusRoom* Of(const QStatusBar* bar) { return ChildOf<StatusRoom>(bar); }

    QString leftText;       // the bar's default text, the help hint
    QString leftTextDrawn;  // what was drawn of the left text last
    QString tipText;        // the status tip of the menu entry the pointer is on
    int messageMs = 10000;  // how long any other message stands

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RedrawLeftTextLater(QStatusBar* bar);

    QTimer passing;
};

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
    const StatusRoom* room = StatusRoom::Of(bar);
    return !bar->currentMessage().isEmpty() && room && bar->currentMessage() == room->tipText;
}

// A message that is neither a status tip nor the hint: it stands for a while.
bool ShowsPassingMessage(const QStatusBar* bar)
{
    const StatusRoom* room = StatusRoom::Of(bar);
    return !bar->currentMessage().isEmpty() && !ShowsTip(bar)
           && bar->currentMessage() != (room ? room->leftText : QString());
}

// What the bar's left part shows: its message; the hint only while no note is on show.
QString LeftText(const QStatusBar* bar)
{
    const StatusRoom* room = StatusRoom::Of(bar);
    if (bar->currentMessage() == (room ? room->leftText : QString()) && NoteOnShow(bar))
        return QString();
    return bar->currentMessage();
}

// A text's whole width in the bar's font, not the width rounded, or it would be cut by a
// letter.
int TextWidth(const QStatusBar* bar, const QString& text)
{
    return int(std::ceil(QFontMetricsF(bar->font()).horizontalAdvance(text)));
}

void FitNotes(QStatusBar* bar)
{
    // While the pointer is on a menu entry, its status tip has the notes' room; they are
    // back when it leaves. The labels that hold notes are fitted whether shown or not:
    // one joined into another's is hidden, and the fitting alone shows it again.
    const bool bTip = ShowsTip(bar);
    int room = RowWidth(bar) - kRowLead;
    std::vector<QLabel*> noteLabels;
    QLabel* givingWay = nullptr;
    int widgets = 0;
    for (QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && IsNote(label)) {
            if (HoldsNotes(label) && !bTip) {
                noteLabels.push_back(label);
                ++widgets;
            } else if (!label->isHidden()) {
                label->setVisible(false);
            }
            continue;
        }
        if (widget->isHidden() || widget->isWindow() || qobject_cast<QSizeGrip*>(widget))
            continue;
        ++widgets;
        if (label && GivesWay(label) && !givingWay)
            givingWay = label;
        else
            room -= widget->sizeHint().width();
    }
    room -= kWidgetGap * std::max(widgets - 1, 0);
    // What gives way, gives way from the bar's left end: the receiver's own notes are at
    // its right.
    std::stable_sort(noteLabels.begin(), noteLabels.end(),
                     [bar](QLabel* a, QLabel* b) { return BarIndex(bar, a) < BarIndex(bar, b); });
    std::vector<LabelNotes> notes;
    for (const QLabel* label : noteLabels)
        notes.push_back(NotesOf(label)->Measured(label));

    // A message that stands for a while is read beside the notes: they leave it what it
    // needs, up to a third of the bar, or, where their heads need it, its words.
    NoteRoom shared{room, kWidgetGap, 0, 0, bar->isVisible()};
    if (ShowsPassingMessage(bar)) {
        const int lead = kLeftTextLead + kLeftTextTrail - kRowLead;
        const QString message = bar->currentMessage();
        shared.messageKeeps = MessageKeeps(bar->width(), TextWidth(bar, message)) + lead;
        shared.messageWords = std::min(TextWidth(bar, MessageWords(message)) + lead, shared.messageKeeps);
    }
    int used = 0;
    const std::vector<FittedNotes> fitted = FitNotesToRoom(notes, shared, &used);
    room -= used;
    // The left text has what the notes leave, before the identity line.
    const QString left = LeftText(bar);
    if (!left.isEmpty())
        room -= TextWidth(bar, left) + kLeftTextLead + kLeftTextTrail - kRowLead;

    // The identity line takes what the notes leave.
    if (givingWay) {
        const int lineFull = givingWay->sizeHint().width();
        const int lineRoom = std::clamp(room, 0, lineFull);
        givingWay->setMaximumWidth(lineRoom >= lineFull ? QWIDGETSIZE_MAX : lineRoom);
        if (givingWay->toolTip() != givingWay->text())
            givingWay->setToolTip(givingWay->text());
    }
    for (size_t i = 0; i < noteLabels.size(); ++i) {
        QLabel* label = noteLabels[i];
        // The whole text of every note the label speaks for is its tool tip.
        const QString tip = fitted[i].notes.join(QLatin1Char('\n'));
        if (label->toolTip() != tip)
            label->setToolTip(tip);
        const bool bShow = fitted[i].bShown;
        if (label->isHidden() == bShow)
            label->setVisible(bShow);
        label->setText(fitted[i].text);
        // A label is as wide as its share, however much of it the text needs: the notes
        // fill their room, and none of it is left blank at the bar's left end.
        const QMargins margins = label->contentsMargins();
        const int textWidth = label->sizeHint().width() - margins.left() - margins.right();
        label->setContentsMargins(0, 0, std::max(fitted[i].width - textWidth, 0), 0);
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

// The left text as it is drawn: where it does not fit whole, a path it carries loses its
// middle, then the text its end, with an ellipsis.
QString ShownLeftText(const QStatusBar* bar)
{
    return FitStatusMessage(bar->fontMetrics(), LeftText(bar), LeftTextRect(bar).width());
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

StatusRoom::StatusRoom(QStatusBar* bar) : QObject(bar)
{
    passing.setSingleShot(true);
    connect(&passing, &QTimer::timeout, bar, [bar] {
        if (ShowsPassingMessage(bar))
            bar->clearMessage();
    });
    connect(bar, &QStatusBar::messageChanged, this, [this, bar] {
        if (ShowsPassingMessage(bar))
            passing.start(messageMs);
        else
            passing.stop();
        FitNotes(bar);
        RedrawLeftTextLater(bar);
    });
}

// The widgets move once the layout has run: the left text is drawn again when what
// shows of it changes.
void StatusRoom::RedrawLeftTextLater(QStatusBar* bar)
{
    QMetaObject::invokeMethod(this, [this, bar] {
        const QString shown = ShownLeftText(bar);
        if (leftTextDrawn != shown) {
            leftTextDrawn = shown;
            bar->update();
        }
    }, Qt::QueuedConnection);
}

bool StatusRoom::eventFilter(QObject* watched, QEvent* event)
{
    // Heard by the window before it shows the tip in the bar.
    if (event->type() == QEvent::StatusTip) {
        tipText = static_cast<QStatusTipEvent*>(event)->tip();
        return false;
    }
    // Events still come while the bar is destroyed, when it is a bar no longer.
    auto* bar = qobject_cast<QStatusBar*>(watched);
    if (!bar)
        return false;
    if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) {
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
    HeldNotes* held = ChildOf<HeldNotes>(label);
    if (held && held->notes.notes == said && held->notes.paths == saidPaths && held->notes.returns == saidReturns
        && held->notes.joining.details == joining.details && held->notes.joining.plural == joining.plural)
        return;
    if (!held)
        held = new HeldNotes(label);
    // Device names and received words are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    // The notes are fitted to the bar: a text set before the bar's own widgets settle
    // (a size grip shown with the window) must not widen the window for good.
    label->setMinimumWidth(1);
    label->setToolTip(said.join(QLatin1Char('\n')));
    held->notes.notes = said;
    held->notes.paths = saidPaths;
    held->notes.returns = saidReturns;
    held->notes.joining = joining;
    label->setText(NotesSideBySide(said));
    // In its bar, the fitting shows it, unless it joins another label; a label not yet
    // in its bar would show as a window of its own.
    if (auto* bar = qobject_cast<QStatusBar*>(label->parentWidget()))
        FitNotes(bar);
    else if (label->parentWidget())
        label->setVisible(!said.isEmpty());
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
    StatusRoom* room = StatusRoom::Of(bar);
    if (!room) {
        room = new StatusRoom(bar);
        bar->installEventFilter(room);
        bar->window()->installEventFilter(room);
    }
    room->leftText = leftText;
    room->messageMs = messageMs;
    FitNotes(bar);
}
