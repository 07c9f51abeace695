#include "statusnotes.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>
#include <vector>

namespace {

// What a note label keeps besides its shown text, so that it can be fitted again.
const char* const kNoteText = "horaluxNoteText";
const char* const kNotePath = "horaluxNotePath";
const char* const kLeftText = "horaluxLeftText";

// The gap the bar leaves around each of its widgets, and the inset of its left text.
constexpr int kWidgetGap = 8;
constexpr int kLeftInset = 12;

// A path cut shorter than this says nothing about which device it was.
constexpr int kShortestPathChars = 8;

bool IsNote(const QWidget* widget) { return widget->property(kNoteText).isValid(); }

// The text as it fits in room pixels: the path loses its middle first, then the text
// loses its end.
QString FitStatusNote(const QFontMetrics& metrics, const QString& text, const QString& path, int room)
{
    if (metrics.horizontalAdvance(text) <= room)
        return text;
    QString fitted = text;
    const qsizetype at = path.isEmpty() ? -1 : text.indexOf(path);
    if (at >= 0) {
        const QString before = text.left(at);
        const QString after = text.mid(at + path.size());
        const int shortest =
            metrics.horizontalAdvance(path.left(kShortestPathChars)) + metrics.horizontalAdvance(QChar(0x2026));
        const int pathRoom = std::max(room - metrics.horizontalAdvance(before + after), shortest);
        fitted = before + metrics.elidedText(path, Qt::ElideMiddle, pathRoom) + after;
        if (metrics.horizontalAdvance(fitted) <= room)
            return fitted;
    }
    return metrics.elidedText(fitted, Qt::ElideRight, std::max(room, 0));
}

void FitNotes(QStatusBar* bar)
{
    const QString leftText = bar->property(kLeftText).toString();
    int room = bar->width() - kLeftInset - bar->fontMetrics().horizontalAdvance(leftText);
    std::vector<QLabel*> notes;
    for (QWidget* widget : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (widget->isHidden())
            continue;
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && IsNote(label))
            notes.push_back(label);
        else
            room -= widget->sizeHint().width() + kWidgetGap;
    }
    if (notes.empty())
        return;
    room -= kWidgetGap * int(notes.size());
    // The shortest notes are shown whole when they can be; the longer ones share the rest.
    const auto fullWidth = [](const QLabel* label) {
        return label->fontMetrics().horizontalAdvance(label->property(kNoteText).toString());
    };
    std::sort(notes.begin(), notes.end(),
              [&](const QLabel* a, const QLabel* b) { return fullWidth(a) < fullWidth(b); });
    int left = int(notes.size());
    for (QLabel* label : notes) {
        const int share = std::min(fullWidth(label), std::max(room, 0) / left--);
        room -= share;
        label->setText(FitStatusNote(label->fontMetrics(), label->property(kNoteText).toString(),
                                     label->property(kNotePath).toString(), share));
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

void ShowStatusNote(QLabel* label, const QString& text, const QString& path)
{
    if (!label)
        return;
    // Device names and received words are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setToolTip(text);
    label->setProperty(kNoteText, text);
    label->setProperty(kNotePath, path);
    label->setText(text);
    // A label not yet in its bar would show as a window of its own.
    if (label->parentWidget())
        label->setVisible(!text.isEmpty());
    if (auto* bar = qobject_cast<QStatusBar*>(label->parentWidget()))
        FitNotes(bar);
}

void KeepStatusRoom(QStatusBar* bar, const QString& leftText)
{
    if (!bar)
        return;
    if (!bar->property(kLeftText).isValid())
        bar->installEventFilter(new NoteFitter(bar));
    bar->setProperty(kLeftText, leftText);
    FitNotes(bar);
}
