// Notes in the status bar that stay while they are true and fit beside the help text.

#include "apptest.h"
#include "builddate.h"
#include "mainwindow.h"
#include "porttexts.h"
#include "statusnotes.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

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

    // Each shown note fits its label, and (when asked) the help text left of them all is
    // whole.
    bool Fits(bool bHelpWhole = true) const
    {
        int firstLeft = w->statusBar()->width();
        for (const QLabel* label : w->statusBar()->findChildren<QLabel*>()) {
            if (label->isHidden() || label == w->statusMessageLabel)  // the identity line is cut as it is drawn
                continue;
            firstLeft = std::min(firstLeft, label->x());
            if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
                return false;
        }
        return !bHelpWhole || firstLeft >= w->statusBar()->fontMetrics().horizontalAdvance(QStringLiteral("For Help, press F1"));
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
        // The return shows for a while (10 s, shortened here), then goes by itself.
        w->ticBackNotes.shownMs = 200;
        const QString back = QStringLiteral("TIC1 back: the counter at 10.0.0.9 answers again");
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

    // With the GPS port, its 1PPS line and several counters down at once, at the default
    // window size: each GPS note and the log note keep their heads, the counters' notes
    // join into one that names each counter, and a lone counter's path loses its middle
    // before its reason and retry time. Whatever the bar holds, its labels fit it.
    void manyNotesKeepTheirHeads_data()
    {
        QTest::addColumn<int>("ticPorts");  // TIC1 to this one are serial ports that are not there
        QTest::addColumn<bool>("bGpsNotes");
        QTest::addColumn<QString>("logNote");
        QTest::addColumn<int>("backPort");  // one of them that is back; 0: none
        QTest::addColumn<QStringList>("shown");  // each is to be seen whole in some label
        const QString logNote = "Log not written: " + kPath + " (No space left on device)";
        QTest::newRow("GPS port lost, 1PPS line, three counters")
            << 3 << true << QString() << 0
            << QStringList{"GPS port lost", "1PPS line DCD unreadable", "TIC1, TIC2, TIC3"};
        // More heads than room, the help text gone: the joined counters give way first.
        QTest::newRow("and a log note: the bar filled up")
            << 3 << true << logNote << 0 << QStringList{"GPS port lost", "1PPS line DCD unreadable", "TIC1", "Log not written"};
        // A counter back is no counter not read.
        QTest::newRow("three counters, one back") << 3 << false << QString() << 2 << QStringList{"TIC2 port back", "TIC1, TIC3: not"};
        // A by-id path is wider than the bar: the reason follows what is left of it.
        QTest::newRow("one counter, its path cut in the middle")
            << 1 << false << QString() << 0 << QStringList{"TIC1 port cannot be opened: /d", "\u2026", "1 (No such file"};
    }

    void manyNotesKeepTheirHeads()
    {
        QFETCH(int, ticPorts);
        QFETCH(bool, bGpsNotes);
        QFETCH(QString, logNote);
        QFETCH(int, backPort);
        QFETCH(QStringList, shown);
        for (int port = 1; port <= ticPorts; ++port)
            QSettings().setValue(QStringLiteral("TicPortDialog/TIC%1 Serial Port").arg(port), MissingTicPath(port));
        for (int port = 1; port <= ticPorts; ++port)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^TIC%1 port cannot be opened: ").arg(port)));
        w = std::make_unique<MainWindow>();
        if (bGpsNotes) {
            w->OnGpsPortDown(PortTexts::PortLostText(kPath, QSerialPort::ReadError, 5000));
            w->OnPpsLineNote(PortTexts::PpsUnreadableText(1, kPath, "Inappropriate ioctl for device"));
        } else {
            w->receiverLinkWatch.PortOpened();
            w->ShowReceiverLinkText();
        }
        ShowStatusNote(w->logNoteLabel, logNote, kPath);
        if (backPort > 0)
            w->OnTicLinkStatus(backPort, true, QStringLiteral("TIC%1 port back: %2").arg(backPort).arg(MissingTicPath(backPort)));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->size(), QSize(720, 450));
        const QStatusBar* bar = w->statusBar();
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
            return rightEdge < w->width() && Fits(false)
                   && std::all_of(shown.begin(), shown.end(), [&](const QString& s) { return texts.contains(s); });
        };
        QVERIFY2(TestSupport::WaitFor(seen, 2000), qPrintable(w->receiverLinkLabel->text() + " | " + w->ppsLineLabel->text()
                                                              + " | " + w->ticLinkLabel->text() + " | " + w->logNoteLabel->text()));
        // Each counter's note is whole where it is read.
        const QStringList notes = w->ticLinkLabel->toolTip().split('\n');
        QCOMPARE(notes.size(), ticPorts);
        for (int port = 1; port <= ticPorts; ++port)
            QVERIFY(port == backPort || notes[port - 1].startsWith(QStringLiteral("TIC%1 port cannot be opened: %2 (").arg(port).arg(MissingTicPath(port))));
    }

    // At the default window size every note's head stays whole, with a long device path
    // in the details: the details give way, then the help text and the identity line.
    void notesFitTheDefaultWindow_data()
    {
        QTest::addColumn<QString>("link");  // the port note; empty: the port is open
        QTest::addColumn<QDate>("receiverDay");
        QTest::addColumn<bool>("bHelpWhole");
        QTest::newRow("lost port, rollover")
            << PortTexts::PortLostText(kPath, QSerialPort::ReadError, 5000) << QDate(2000, 8, 25) << true;
        QTest::newRow("port cannot be opened, date far ahead")
            << "GPS port cannot be opened: " + kPath + " (No such file or directory), retrying every 5 s"
            << QDate(2050, 1, 1) << false;
        QTest::newRow("identity line, unreadable 1PPS line, rollover") << QString() << QDate(2000, 8, 25) << false;
    }

    void notesFitTheDefaultWindow()
    {
        QFETCH(QString, link);
        QFETCH(QDate, receiverDay);
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
        // Alone, the port's path loses its middle and the reason stays (beside the
        // identity line, at least the start of the path).
        const auto alone = [&] { return Fits() && notes[1]->text().contains(link.isEmpty() ? ": /tm" : "gps ("); };
        QVERIFY2(TestSupport::WaitFor(alone, 2000), qPrintable(notes[1]->text()));
        const QString said = notes[1]->toolTip();
        const qsizetype sizeAlone = notes[1]->text().size();
        Seconds(receiverDay);
        const auto fitted = [&] {
            return Fits(bHelpWhole) && std::all_of(notes.begin(), notes.end(), [](const QLabel* l) { return HeadsShown(l); });
        };
        QVERIFY(TestSupport::WaitFor(fitted, 2000));
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
        QVERIFY(TestSupport::WaitFor([&] { return notes[1]->text().size() == sizeAlone && Fits(); }, 2000));
    }
};

HORALUX_TEST(TestStatusNotes);
#include "tst_statusnotes.moc"
