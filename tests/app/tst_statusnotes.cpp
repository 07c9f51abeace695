// Notes in the status bar that stay while they are true and take the help text's place.

#include "apptest.h"
#include "builddate.h"
#include "mainwindow.h"
#include "porttexts.h"
#include "statusnotes.h"
#include "testsupport.h"
#include "ui_mainwindow.h"
#include "utcdatetime.h"

#include <QAction>
#include <QImage>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QSettings>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>

#include <memory>

namespace {

// 60 characters, in a folder that is not there.
const QString kPath = QStringLiteral("/tmp/horalux-test-Xq93/station/pseudo-terminals/receiver/gps");
const QString kUnreachable = QStringLiteral("TIC1 unreachable: the counter at 10.0.0.9 cannot be reached (refused); trying again");

QString Said(const QLabel* label) { return label->isHidden() ? QString() : label->toolTip(); }

// Every note a label holds is shown with its head whole, followed by ": " or an ellipsis.
bool HeadsShown(const QLabel* label)
{
    for (const QString& note : label->toolTip().split('\n')) {
        const QString head = note.left(note.indexOf(": "));
        const QString shown = "  " + label->text();
        if (!shown.contains("  " + head + ": ") && !shown.contains("  " + head + QChar(0x2026)))
            return false;
    }
    return true;
}

// Counts the paints and layout requests that reach the objects it watches: what a
// label given its text or style again costs, whatever else the machine is doing.
class RedrawCount : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint || event->type() == QEvent::LayoutRequest;
        return false;
    }
};

// The TIC ports' device paths, none of them there.
QString MissingTicPath(int port)
{
    return QStringLiteral("/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port%1").arg(port);
}

}  // namespace

class TestStatusNotes : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;

    // Two seconds of the status record, the receiver's clock on the day given.
    void Seconds(const QDate& day)
    {
        for (int s = 0; s < 2; ++s)
            w->receiverTime.SetDateTime(QDateTime(day, QTime(4, 50, s), Qt::UTC)), w->LogStatusRecord();
    }

    // Where the bar's first shown widget begins: its left text has the room before it.
    int FirstLeft() const
    {
        int firstLeft = w->statusBar()->width();
        for (const QWidget* widget : w->statusBar()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (widget->isVisible() && !widget->isWindow() && !qobject_cast<const QSizeGrip*>(widget))
                firstLeft = std::min(firstLeft, widget->x());
        return firstLeft;
    }

    // Where the last thing drawn left of the bar's widgets ends, as seen in its pixels (its
    // left text, whole or in part); 0 where nothing is. endRows: how many rows its last two
    // columns span, a few for the dots of an ellipsis.
    int LeftTextEnd(int* endRows = nullptr) const
    {
        const QImage image = w->statusBar()->grab().toImage();
        int end = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 4; x < std::min(FirstLeft() - 3, image.width()); ++x)
                if (qGray(image.pixel(x, y)) < 96)
                    end = std::max(end, x);
        int top = image.height(), bottom = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = std::max(end - 1, 0); x <= end && end > 0; ++x)
                if (qGray(image.pixel(x, y)) < 96)
                    top = std::min(top, y), bottom = std::max(bottom, y);
        if (endRows)
            *endRows = bottom - top + 1;
        return end;
    }

    bool LeftTextDrawn() const { return LeftTextEnd() > 0; }

    // Where the bar's left text, as drawn, holds text as the bar's font draws it alone: the
    // x of its first ink, where no more than a twentieth of the ink differs by more than a
    // pixel aside; -1 where it is nowhere. end: its last ink column.
    int DrawnAt(const QString& text, int* end = nullptr) const
    {
        const QImage drawn = w->statusBar()->grab().toImage();
        QImage alone(drawn.size(), QImage::Format_RGB32);
        alone.fill(Qt::white);
        QPainter painter(&alone);
        painter.setFont(w->statusBar()->font());
        painter.drawText(alone.rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter.end();
        const auto ink = [](const QImage& image, int x, int y, int aside) {
            for (int at = std::max(x - aside, 0); at <= std::min(x + aside, image.width() - 1); ++at)
                if (qGray(image.pixel(at, y)) < 96)
                    return true;
            return false;
        };
        int first = alone.width(), last = -1, pixels = 0;
        for (int y = 0; y < alone.height(); ++y)
            for (int x = 0; x < alone.width(); ++x)
                if (ink(alone, x, y, 0))
                    first = std::min(first, x), last = std::max(last, x), ++pixels;
        for (int at = 0; last >= 0 && at + last - first < std::min(FirstLeft(), drawn.width()); ++at) {
            int misses = 0;
            for (int y = 0; y < alone.height(); ++y)
                for (int x = first, there = at; x <= last; ++x, ++there)
                    misses += (ink(alone, x, y, 0) && !ink(drawn, there, y, 1)) || (ink(drawn, there, y, 0) && !ink(alone, x, y, 1));
            if (misses * 20 > pixels)
                continue;
            if (end)
                *end = at + last - first;
            return at;
        }
        return -1;
    }

    // The left text as drawn starts with start and ends with tail, there where its ink ends.
    bool LeftTextDrawnAs(const QString& start, const QString& tail) const
    {
        int end = -1;
        const int at = DrawnAt(start);
        return at >= 0 && at <= 8 && DrawnAt(tail, &end) > at && std::abs(end - LeftTextEnd()) <= 1;
    }

    // Each shown note fits its label, which has the room its text asks for; the help text
    // is drawn whole or (when it is not to be drawn) not at all.
    bool Fits(bool bHelpDrawn) const
    {
        for (const QLabel* label : w->statusBar()->findChildren<QLabel*>()) {
            if (label->isHidden() || label == w->statusMessageLabel)  // the identity line is cut as it is drawn
                continue;
            if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width()
                || label->width() < label->sizeHint().width())
                return false;
        }
        const QStatusBar* bar = w->statusBar();
        const bool bWhole = FirstLeft() - 8 >= bar->fontMetrics().horizontalAdvance(bar->currentMessage());
        const bool bDrawn = LeftTextDrawn();
        return bDrawn == bHelpDrawn && (!bDrawn || bWhole);
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        BuildDate::SetDay(QDate(2026, 12, 7));
        w = std::make_unique<MainWindow>();
    }

    void cleanup() { w.reset(), BuildDate::SetDay(QDate()); }

    // A status tip passes over the rollover note and a counter's failure: both stay until
    // what they say ends, the counter's return being said for a while.
    void notesOutlastStatusTips()
    {
        Seconds(QDate(2000, 8, 25));
        w->OnTicLinkStatus(1, false, kUnreachable);
        w->ui->actionUTC->showStatusText(w.get());
        w->statusBar()->clearMessage();
        QCOMPARE(Said(w->clockGuardLabel), QStringLiteral("GPS week rollover? PC clock not set: receiver date 25-Aug-2000 "
                                                          "is before this program's build date 07-Dec-2026"));
        QCOMPARE(Said(w->ticLinkLabel), kUnreachable);
        // Two counters down: each is a note of its own in the one label.
        const QString unreachable2 = QStringLiteral("TIC2 unreachable: the counter at 10.0.0.8 cannot be reached (refused); trying again");
        w->OnTicLinkStatus(2, false, unreachable2);
        QCOMPARE(Said(w->ticLinkLabel), kUnreachable + '\n' + unreachable2);
        w->OnTicLinkStatus(2, true, QString());
        // The return shows for 10 s on the steady clock. A failure said meanwhile stays
        // past the return's time.
        qint64 nowMs = 1000;
        w->ticBackNotes.clockMs = [&nowMs] { return nowMs; };
        const QString back = QStringLiteral("TIC1 back: the counter at 10.0.0.9 answers again");
        w->OnTicLinkStatus(1, true, back);
        QStringList shown;
        for (qint64 atMs : {10500, 11500, 12000, 13000, 23000}) {
            nowMs = atMs;
            if (atMs == 12000)
                w->OnTicLinkStatus(1, true, back);
            if (atMs == 13000)
                w->OnTicLinkStatus(1, false, kUnreachable);
            w->ticBackNotes.EndDue();
            shown << Said(w->ticLinkLabel);
        }
        QCOMPARE(shown, QStringList({back, QString(), back, kUnreachable, kUnreachable}));
        // Its own timer ends it too (10 s, shortened here).
        w->ticBackNotes.clockMs = &UtcDateTime::SteadyMSecs;
        w->ticBackNotes.shownMs = 200;
        w->OnTicLinkStatus(1, true, back);
        QCOMPARE(Said(w->ticLinkLabel), back);
        QVERIFY(TestSupport::WaitFor([&] { return Said(w->ticLinkLabel).isEmpty(); }));
        Seconds(QDate(2026, 12, 8));
        QCOMPARE(Said(w->clockGuardLabel), QString());
    }

    // The link is looked at four times a second and the receiver repeats its status
    // every second; while what the bar says stays, it is neither laid out nor painted.
    void unchangedNotesLeaveTheBarAtRest_data()
    {
        QTest::addColumn<bool>("bReceiverHeard");
        QTest::newRow("port OFF note") << false;
        QTest::newRow("receiver repeating its status") << true;
    }

    void unchangedNotesLeaveTheBarAtRest()
    {
        QFETCH(bool, bReceiverHeard);
        qint64 nowMs = 0;
        w->receiverLinkWatch.clockMs = [&nowMs] { return nowMs; };
        const auto second = [&] {
            if (bReceiverHeard) {
                w->ReceiverHeard();
                w->ShowNavigationStatus(1);
                w->ShowAntennaStatus(0);
            }
            for (int look = 0; look < 4; ++look, nowMs += ReceiverLinkWatch::kCheckIntervalMs)
                w->CheckReceiverLink();
        };
        // The looks are the test's own, on its clock.
        w->receiverLinkTimer.stop();
        if (bReceiverHeard)
            w->receiverLinkWatch.PortOpened();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        second();
        QCOMPARE(Said(w->receiverLinkLabel).startsWith("GPS port OFF: "), !bReceiverHeard);
        QCOMPARE(w->navigationBadge->text(), bReceiverHeard ? QStringLiteral("Position Hold") : QStringLiteral("Nav Unknown"));
        RedrawCount redraws;
        w->statusBar()->installEventFilter(&redraws);
        for (QWidget* widget : w->statusBar()->findChildren<QWidget*>())
            widget->installEventFilter(&redraws);
        // The first paint of everything is over once a while passes without one, however
        // slowly it comes.
        const auto quiet = [&] {
            redraws.count = 0;
            QTest::qWait(100);
            return redraws.count == 0;
        };
        QVERIFY(TestSupport::WaitFor(quiet, 10000));
        for (int s = 0; s < 3; ++s)
            second();
        QTest::qWait(100);  // a repaint is asked for on a timer of its own
        QCOMPARE(redraws.count, 0);
    }

    // Several notes at once, at the default window size: the receiver's notes keep their
    // heads; the counters' notes join into one that names each counter and ends in what
    // is wrong; a counter that is back gives way before any failure; a lone counter's
    // path loses its middle before its reason; the help text is drawn whole or not at
    // all. Whatever the bar holds, its labels fit it.
    void manyNotesKeepTheirHeads_data()
    {
        QTest::addColumn<QList<int>>("failing");  // TIC ports on serial ports that are not there
        QTest::addColumn<QStringList>("links");   // what TIC1, TIC2, ... say of their links
        QTest::addColumn<int>("backPort");        // one of them back; 0: none
        QTest::addColumn<int>("gpsNotes");        // 0: none, 1: the port lost, 2: and its 1PPS line
        QTest::addColumn<QStringList>("notes");   // for the log and the settings labels
        QTest::addColumn<int>("overBy");          // > 0: the window this much narrower than the whole notes
        QTest::addColumn<QStringList>("shown");   // each to be seen whole in some label
        QTest::addColumn<QStringList>("absent");  // each in no label
        QTest::addColumn<bool>("bHelp");          // the help text drawn
        const QString logNote = "GPS log not written: " + kPath + " (No space left on device)";
        const QString settingsNote = QStringLiteral("Settings not saved: /root/.config/KVX Systems/Horalux.conf (not writable)");
        const QStringList both{logNote, settingsNote};
        QTest::newRow("GPS port lost, 1PPS line, three counters")
            << QList<int>{1, 2, 3} << QStringList() << 0 << 2 << QStringList() << 0
            << QStringList{"GPS port lost", "1PPS line DCD unreadable", "TIC1, TIC2, TIC3"} << QStringList() << false;
        // More heads than room: the labels join into one that names each note by its
        // head; the counters' list shortens, then the heads at the left.
        QTest::newRow("and a log note: the bar filled up")
            << QList<int>{1, 2, 3} << QStringList() << 0 << 2 << QStringList{logNote} << 0
            << QStringList{"TIC1\u2013TIC3: not read; GPS log", "; 1PPS line DCD unreadable; GPS port lost"}
            << QStringList() << false;
        QTest::newRow("GPS port lost, four counters, one back, log and settings")
            << QList<int>{3, 4, 5, 6} << QStringList() << 1 << 1 << both << 0
            << QStringList{"TIC3\u2013TIC6: not read; GPS log not", "; Settings not saved; GPS port lost"}
            << QStringList{"TIC1"} << false;
        QTest::newRow("four counters apart: their count")
            << QList<int>{1, 3, 5, 7} << QStringList() << 0 << 1 << both << 0
            << QStringList{"4 counters: not read; GPS log", "; Settings not saved; GPS port lost"} << QStringList() << false;
        // A counter back is no counter not read, and gives way to the others.
        QTest::newRow("three counters, one back")
            << QList<int>{1, 2, 3} << QStringList() << 2 << 0 << QStringList() << 0
            << QStringList{"TIC1 port cannot be opened", "TIC3 port cannot be opened"} << QStringList{"TIC2"} << false;
        // A by-id path is wider than the bar: the reason follows what is left of it.
        QTest::newRow("one counter, its path cut in the middle")
            << QList<int>{1} << QStringList() << 0 << 0 << QStringList() << 0
            << QStringList{"TIC1 port cannot be opened: /d", "\u2026", "1 (No such file or directory)"} << QStringList()
            << false;
        // A single counter has no others to join: it keeps its own head.
        QTest::newRow("a full bar, a single counter")
            << QList<int>{1} << QStringList() << 0 << 2 << both << 0 << QStringList{"TIC1"} << QStringList{": not read"} << false;
        // A note on show, however short, takes the help text's place.
        QTest::newRow("a short note, no help text")
            << QList<int>() << QStringList() << 0 << 0 << QStringList{QString(), QStringLiteral("Settings not saved: /tmp/s (not writable)")}
            << 0 << QStringList{"Settings not saved: /tmp/s (not writable)"} << QStringList() << false;
        // Two notes in one label, the bar filled to a few pixels: a gap miscounted
        // squeezes a label (the identity line first, while it has room).
        QTest::newRow("notes a few pixels too wide")
            << QList<int>() << QStringList{"TIC1 unreachable: 10.0.0.9", "TIC2 unreachable: 10.0.0.8"} << 0 << 0
            << QStringList() << 3 << QStringList{"TIC1 unreachable", "TIC2 unreachable"} << QStringList() << false;
        // Not even the first words fit: the joined label is cut at its end, where a note
        // would be an ellipsis alone, and still fills the room to the pixel.
        QTest::newRow("not even first words")
            << QList<int>() << QStringList{"TIC1 down: a"} << 0 << 0
            << QStringList{QStringLiteral("GPS log not written: /l"), QStringLiteral("Settings not saved: /s")} << 250
            << QStringList{"TIC1\u2026; GPS\u2026"} << QStringList{"Setti", "\u2026; \u2026"} << false;
    }

    void manyNotesKeepTheirHeads()
    {
        QFETCH(QList<int>, failing);
        QFETCH(QStringList, links);
        QFETCH(int, backPort);
        QFETCH(int, gpsNotes);
        QFETCH(QStringList, notes);
        QFETCH(int, overBy);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, absent);
        QFETCH(bool, bHelp);
        for (int port : failing) {
            QSettings().setValue(QStringLiteral("TicPortDialog/TIC%1 Serial Port").arg(port), MissingTicPath(port));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^TIC%1 port cannot be opened: ").arg(port)));
        }
        w = std::make_unique<MainWindow>();
        // The store is fine: its note would go at the next write, or at the next look at
        // the keys, which a loaded machine makes before the bar is seen.
        w->settingsWriteTimer.stop();
        w->settingsWatchTimer.stop();
        if (gpsNotes > 0)
            w->OnGpsPortDown(PortTexts::PortLostText(kPath, QSerialPort::ReadError, 5000));
        if (gpsNotes > 1)
            w->OnPpsLineNote(PortTexts::PpsUnreadableText(1, kPath, "Inappropriate ioctl for device"));
        if (gpsNotes == 0) {
            w->receiverLinkWatch.PortOpened();
            w->ShowReceiverLinkText();
        }
        ShowStatusNote(w->logNoteLabel, notes.value(0), kPath);
        ShowStatusNote(w->settingsNoteLabel, notes.value(1), QStringLiteral("/root/.config/KVX Systems/Horalux.conf"));
        if (backPort > 0)
            w->OnTicLinkStatus(backPort, true, QStringLiteral("TIC%1 port back: %2").arg(backPort).arg(MissingTicPath(backPort)));
        for (qsizetype i = 0; i < links.size(); ++i)
            w->OnTicLinkStatus(int(i) + 1, false, links[i]);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->size(), QSize(720, 450));
        const QStatusBar* bar = w->statusBar();
        if (overBy > 0) {
            // The notes whole, then the window narrowed past the room they take.
            const QLabel* line = w->statusMessageLabel;
            QVERIFY(TestSupport::WaitFor([&] { return w->ticLinkLabel->text() == links.join("  ") && line->width() == line->sizeHint().width(); }, 10000));
            QTest::qWait(100);
            w->resize(w->width() - (FirstLeft() - 2) - w->statusMessageLabel->width() - overBy, 450);
        }
        const auto seen = [&] {
            QString texts;
            // A bar wider than its window is cut off at the window's edge.
            int rightEdge = bar->geometry().right();
            for (const QWidget* widget : bar->findChildren<QWidget*>()) {
                const auto* label = qobject_cast<const QLabel*>(widget);
                if (label && !label->isHidden() && label != w->statusMessageLabel)
                    texts += label->text() + '\n';
                if (!widget->isHidden())
                    rightEdge = std::max(rightEdge, widget->mapTo(w.get(), widget->rect().topRight()).x());
            }
            // Cut notes take the whole row: nothing is left at its left end, nor for the
            // identity line.
            const bool bFull = FirstLeft() == 2 && w->statusMessageLabel->width() == 0;
            return rightEdge < w->width() && Fits(bHelp) && (overBy == 0 || bFull)
                   && std::all_of(shown.begin(), shown.end(), [&](const QString& s) { return texts.contains(s); })
                   && std::none_of(absent.begin(), absent.end(), [&](const QString& s) { return texts.contains(s); });
        };
        QVERIFY2(TestSupport::WaitFor(seen, 10000), qPrintable(w->receiverLinkLabel->text() + " | " + w->ppsLineLabel->text()
                                                              + " | " + w->ticLinkLabel->text() + " | " + w->logNoteLabel->text()
                                                              + " | " + w->settingsNoteLabel->text()));
        // Each counter's note is whole where it is read, with the others' where the labels
        // joined.
        const QStringList said = w->ticLinkLabel->toolTip().split('\n', Qt::SkipEmptyParts).filter(QRegularExpression("^TIC"));
        QCOMPARE(said.size(), failing.size() + links.size() + (backPort > 0 && !failing.contains(backPort)));
        for (const int port : failing) {
            const QString note = QStringLiteral("TIC%1 port cannot be opened: %2 (").arg(port).arg(MissingTicPath(port));
            QVERIFY(port == backPort || std::any_of(said.begin(), said.end(), [&](const QString& s) { return s.startsWith(note); }));
        }
    }

    // At the default window size every note's head stays whole, with a long device path
    // in the details: the identity line gives way, then the help text wholly, then the
    // details.
    void notesFitTheDefaultWindow_data()
    {
        QTest::addColumn<QString>("link");  // the port note; empty: the port is open
        QTest::addColumn<QDate>("receiverDay");
        QTest::addColumn<bool>("bHelpAlone");  // the help text beside the port's note alone
        QTest::addColumn<bool>("bHelpWhole");  // and beside both notes
        QTest::newRow("lost port, rollover")
            << PortTexts::PortLostText(kPath, QSerialPort::ReadError, 5000) << QDate(2000, 8, 25) << false
            << false;
        QTest::newRow("port cannot be opened, date far ahead")
            << "GPS port cannot be opened: " + kPath + " (No such file or directory), retrying every 5 s"
            << QDate(2050, 1, 1) << false << false;
        QTest::newRow("identity line, unreadable 1PPS line, rollover") << QString() << QDate(2000, 8, 25) << false << false;
    }

    void notesFitTheDefaultWindow()
    {
        QFETCH(QString, link);
        QFETCH(QDate, receiverDay);
        QFETCH(bool, bHelpAlone);
        QFETCH(bool, bHelpWhole);
        QSettings().setValue("GpsPortDialog/GPS Serial Port", kPath);
        QTest::ignoreMessage(QtWarningMsg, "WARNING: Failed to open GPS serial port.");
        w = std::make_unique<MainWindow>();
        const QString identity = QStringLiteral("Motorola M12+, Bin, 12 ch, V1.3, has DGPS, TRAIM, PVT6 Mode");
        w->statusMessageLabel->setText(identity);
        QList<const QLabel*> notes{w->clockGuardLabel};
        if (link.isEmpty()) {
            w->receiverLinkWatch.PortOpened();
            w->ShowReceiverLinkText();
            w->OnPpsLineNote(PortTexts::PpsUnreadableText(1, kPath, "Inappropriate ioctl for device"));
            notes << w->ppsLineLabel;
        } else {
            w->OnGpsPortDown(link);
            notes << w->receiverLinkLabel;
        }
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->size(), QSize(720, 450));
        // Alone, the port's path loses its middle and the reason stays whole (beside the
        // identity line, at least the start of the path); the help text stays only while
        // every word of it does.
        const QString reason = notes[1]->toolTip().section(kPath, 1).section(')', 0, 0) + ')';
        const auto alone = [&] {
            const QString shown = notes[1]->text();
            return Fits(bHelpAlone) && shown.contains(link.isEmpty() ? ": /tm" : "gps (") && shown.contains(reason);
        };
        QVERIFY(TestSupport::WaitFor(alone, 10000));
        QTest::qWait(100);
        QVERIFY2(alone(), qPrintable(notes[1]->text()));
        const QString said = notes[1]->toolTip();
        const qsizetype sizeAlone = notes[1]->text().size();
        Seconds(receiverDay);
        const auto fitted = [&] {
            return Fits(bHelpWhole) && std::all_of(notes.begin(), notes.end(), [](const QLabel* l) { return HeadsShown(l); });
        };
        QVERIFY(TestSupport::WaitFor(fitted, 10000));
        QVERIFY2(fitted(), qPrintable(w->clockGuardLabel->text() + " | " + notes[1]->text()));
        QCOMPARE(notes[1]->toolTip(), said);
        if (link.isEmpty()) {
            // Cut at its end, and whole where it is read.
            QVERIFY(w->statusMessageLabel->isVisible());
            QCOMPARE(w->statusMessageLabel->text(), identity);
            QVERIFY(w->statusMessageLabel->width() < w->statusMessageLabel->fontMetrics().horizontalAdvance(identity));
            QCOMPARE(w->statusMessageLabel->toolTip(), identity);
        }
        // The date good again: the other note has its room back.
        Seconds(QDate(2026, 12, 8));
        QVERIFY(TestSupport::WaitFor([&] { return notes[1]->text().size() == sizeAlone && Fits(bHelpAlone); }, 10000));
    }

    // The bar's left part: while the pointer is on a menu entry, its status tip, the notes
    // stepping aside until the menu closes; any other message in the room the notes leave,
    // the identity line giving way, cut at its end and whole in its tool tip, until its
    // time is up. Then the hint, unless a note is on show.
    void leftTextBesideNotes_data()
    {
        QTest::addColumn<bool>("bNote");      // the GPS port OFF note, as at a first start
        QTest::addColumn<QString>("action");  // the menu entry pointed at; empty: a message
        QTest::addColumn<bool>("bCut");  // a log's message, wider than the room; else one for half the identity line's
        QTest::newRow("status tip over the port OFF note") << true << "actionToolbar" << false;
        QTest::newRow("status tip, no note") << false << "actionGps_Raw_Data" << false;
        QTest::newRow("log's message beside the port OFF note") << true << QString() << true;
        QTest::newRow("log's message, no note") << false << QString() << true;
        QTest::newRow("message beside half the identity line") << false << QString() << false;
    }

    void leftTextBesideNotes()
    {
        QFETCH(bool, bNote);
        QFETCH(QString, action);
        QFETCH(bool, bCut);
        const QString hint = QStringLiteral("For Help, press F1");
        QStatusBar* bar = w->statusBar();
        KeepStatusRoom(bar, hint, 10000);
        if (!bNote)
            w->receiverLinkWatch.PortOpened();
        w->CheckReceiverLink();
        QCOMPARE(Said(w->receiverLinkLabel).startsWith("GPS port OFF: "), bNote);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(TestSupport::WaitFor([&] { return LeftTextDrawn() != bNote; }));

        QMenu* menu = w->ui->menuView;
        const QLabel* line = w->statusMessageLabel;
        QString said = "Log file " + kPath + "/GPS2026341.txt: writing again.";
        if (action.isEmpty() && !bCut) {
            said = QStringLiteral("written in full");
            while (bar->fontMetrics().horizontalAdvance(said) < FirstLeft() - 8 + line->width() / 2)
                said.prepend(QStringLiteral("re"));
        }
        if (action.isEmpty()) {
            bar->showMessage(said);  // as the logs say it
        } else {
            said = w->findChild<QAction*>(action)->statusTip();
            menu->popup(w->mapToGlobal(QPoint(40, 20)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            menu->setActiveAction(w->findChild<QAction*>(action));
        }
        QCOMPARE(bar->currentMessage(), said);
        const int ellipsis = bar->fontMetrics().horizontalAdvance(QChar(0x2026));
        // Drawn in the room before the widgets: a tip whole; a message whole (it ends in a
        // letter, with half the identity line beside it) or cut to fill the room, its path
        // losing its middle so that it still ends in ": writing again.", with none of the
        // line left.
        const auto drawn = [&] {
            int endRows = 0;
            const int end = LeftTextEnd(&endRows);
            return w->receiverLinkLabel->isHidden() == (!bNote || !action.isEmpty()) && end > 0
                   && (bar->fontMetrics().horizontalAdvance(said) > FirstLeft() - 8) == bCut
                   && (!bCut || (end >= FirstLeft() - 2 - 3 * ellipsis && endRows <= 3
                                 && (line->isHidden() || line->width() == 0)
                                 && LeftTextDrawnAs(QStringLiteral("Log file /"), QStringLiteral(": writing again."))))
                   && (bCut || !action.isEmpty() || (endRows > 3 && line->width() > 0));
        };
        QVERIFY2(TestSupport::WaitFor(drawn, 10000), qPrintable(QString::number(LeftTextEnd())));
        if (bCut) {
            const QPoint at(12, bar->height() / 2);
            QHelpEvent help(QEvent::ToolTip, at, bar->mapToGlobal(at));
            QApplication::sendEvent(bar, &help);
            QCOMPARE(QToolTip::text(), said);
            // The tool tip, a window of the bar's own, takes no room in it.
            QTest::qWait(100);
            QVERIFY(drawn());
            QToolTip::hideText();
        } else {
            menu->close();
        }
        if (action.isEmpty()) {
            // Said again to stand 0.2 s rather than 10 s: its time is not waited out.
            KeepStatusRoom(bar, hint, 200);
            bar->clearMessage();
            bar->showMessage(said);
        }
        // The menu closed, or the message's time up: the notes and the hint as before.
        QVERIFY(TestSupport::WaitFor([&] {
            return bar->currentMessage() == hint && w->receiverLinkLabel->isHidden() == !bNote
                   && LeftTextDrawn() != bNote;
        }, 10000));
    }

    // Notes and a log's message: each note's head is read whole ("…" alone says nothing).
    // Where the labels have not the room, the message gives way down to its words, then
    // the labels join into one that names each note by its head; where they have it, the
    // message keeps a third of the bar and is drawn to its end, its path cut in the middle.
    void notesBesideAMessage_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("bLog");     // the log's note besides the counter's and the 1PPS line's
        QTest::addColumn<bool>("bJoined");  // the notes joined into one label
        QTest::newRow("three notes, default window") << 720 << true << true;
        QTest::newRow("three notes, 653 px") << 653 << true << true;
        QTest::newRow("two notes, default window") << 720 << false << false;
    }

    void notesBesideAMessage()
    {
        QFETCH(int, width);
        QFETCH(bool, bLog);
        QFETCH(bool, bJoined);
        w->settingsWriteTimer.stop();
        w->settingsWatchTimer.stop();
        w->receiverLinkWatch.PortOpened();
        w->ShowReceiverLinkText();
        const QDateTime now(QDate(2026, 12, 8), QTime(8, 12, 30), Qt::UTC);
        QStringList notes{QStringLiteral("TIC1 no signal: the counter answers \"+9.91E+37\" (no measurement) since 08:11:58 UTC"),
                          PortTexts::PpsMissingText(1, now.addSecs(-32), now)};
        w->OnTicLinkStatus(1, false, notes[0]);
        w->OnPpsLineNote(notes[1]);
        if (bLog) {
            notes.insert(1, "GPS log not written: " + kPath + "/GPS2026341.txt (No space left on device)");
            ShowStatusNote(w->logNoteLabel, notes[1], kPath);
        }
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->resize(width, 450);
        w->statusBar()->showMessage("Log file " + kPath + "/TIC2026341.txt: writing again.");
        QStringList texts;  // what the shown labels say, note by note
        const auto readable = [&] {
            texts.clear();
            bool bFit = true;
            for (const QLabel* label : {w->ticLinkLabel, w->logNoteLabel, w->ppsLineLabel}) {
                if (label->isVisible()) {
                    texts << label->text().split("; ");
                    bFit = bFit && label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width()
                           && (!bJoined || label->toolTip() == notes.join('\n'));
                }
            }
            const bool bHeads = texts.size() == notes.size() && std::all_of(notes.begin(), notes.end(), [&](const QString& note) {
                const QString head = note.startsWith("1PPS") ? QStringLiteral("1PPS missing") : note.section(": ", 0, 0);
                return std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.startsWith(head); });
            });
            const bool bDrawn = bJoined ? DrawnAt(QStringLiteral("Log file ")) >= 0
                                        : LeftTextDrawnAs(QStringLiteral("Log file /"), QStringLiteral(": writing again."));
            return bFit && bHeads && w->statusBar()->width() == width && !texts.contains(QString(QChar(0x2026))) && bDrawn;
        };
        QVERIFY2(TestSupport::WaitFor(readable, 10000), qPrintable(texts.join(" | ")));
    }

    // A log's message beside a counter's long note, as drawn: for its time the message
    // has a third of the bar, its head legible, or all it needs, whole; the note is cut,
    // whole in its tool tip; then the note has its room back.
    void messageBesideLongNote_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("said");
        const QString log = "Log file " + kPath + "/GPS2026341.txt: writing again.";
        QTest::newRow("TIC1, default window") << 1 << 720 << log;
        QTest::newRow("TIC4, 653 px") << 4 << 653 << log;
        QTest::newRow("TIC6 and the identity line, default window") << 6 << 720 << log;
        QTest::newRow("a short message, whole") << 1 << 720 << QStringLiteral("Log file /l/T.prn: writing again.");
    }

    void messageBesideLongNote()
    {
        QFETCH(int, port);
        QFETCH(int, width);
        QFETCH(QString, said);
        QSettings().setValue(QStringLiteral("TicPortDialog/TIC%1 Serial Port").arg(port), MissingTicPath(port));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^TIC%1 port cannot be opened: ").arg(port)));
        w = std::make_unique<MainWindow>();
        w->settingsWriteTimer.stop();
        w->receiverLinkWatch.PortOpened();
        w->ShowReceiverLinkText();
        if (port == 6)
            w->statusMessageLabel->setText(QStringLiteral("Motorola M12+, Bin, 12 ch, V1.3, has DGPS, TRAIM, PVT6 Mode"));
        QStatusBar* bar = w->statusBar();
        KeepStatusRoom(bar, QStringLiteral("For Help, press F1"), 10000);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->resize(width, 450);
        const QLabel* note = w->ticLinkLabel;
        const QString whole = note->toolTip();
        QVERIFY(whole.startsWith(QStringLiteral("TIC%1 port cannot be opened: ").arg(port)));
        QVERIFY(TestSupport::WaitFor([&] { return bar->width() == width && !LeftTextDrawn() && note->isVisible(); }));
        QTest::qWait(100);
        const QString alone = note->text();

        bar->showMessage(said);
        const QFontMetrics metrics = bar->fontMetrics();
        const int third = bar->width() / 3;
        const int needs = metrics.horizontalAdvance(said);
        const int words = std::min(third, metrics.horizontalAdvance(MessageWords(said)));
        // Drawn from the bar's left end, in letters (many columns of ink, not a line of
        // dots): a long message in a room of at least a third of the bar, or of its words
        // where the note's head needs the rest, to its end less the ellipsis and the
        // letter it may have cut; a short one to its end. The note's head stays whole.
        const auto drawn = [&] {
            const QImage image = bar->grab().toImage();
            int inked = 0;
            int first = image.width();
            for (int x = 0; x < std::min(FirstLeft(), image.width()); ++x) {
                bool bInk = false;
                for (int y = 0; y < image.height() && !bInk; ++y)
                    bInk = qGray(image.pixel(x, y)) < 96;
                inked += bInk;
                if (bInk)
                    first = std::min(first, x);
            }
            const int end = LeftTextEnd();
            const bool bRoom = needs > third ? FirstLeft() - 8 >= words
                                                   && end >= words - 2 * metrics.horizontalAdvance(QChar(0x2026)) - metrics.maxWidth()
                                             : end >= needs;
            return first <= 8 && bRoom && inked > std::min(needs, words) / 2 && HeadsShown(note) && note->text() != alone
                   && note->toolTip() == whole;
        };
        const bool bDrawn = TestSupport::WaitFor(drawn, 10000);
        QVERIFY2(bDrawn, qPrintable(QStringLiteral("drawn to %1 of %2 px beside \"%3\"").arg(LeftTextEnd()).arg(bar->width()).arg(note->text())));
        // Said again to stand 0.2 s rather than 10 s; its time up: the hint, not drawn beside
        // a note, and the note as it was.
        KeepStatusRoom(bar, QStringLiteral("For Help, press F1"), 200);
        bar->clearMessage();
        bar->showMessage(said);
        QVERIFY(TestSupport::WaitFor([&] { return !LeftTextDrawn() && note->text() == alone; }, 10000));
        QCOMPARE(bar->currentMessage(), QStringLiteral("For Help, press F1"));
    }
};

HORALUX_TEST(TestStatusNotes);
#include "tst_statusnotes.moc"
