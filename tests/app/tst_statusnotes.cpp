// Notes in the status bar that stay while they are true and fit beside the help text.

#include "apptest.h"
#include "builddate.h"
#include "mainwindow.h"
#include "statusnotes.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QLabel>
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

// Counts the events that reach the objects it watches.
class EventCount : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent*) override { return ++count, false; }
};

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

    // The link is looked at four times a second; while what the bar says stays (the
    // default port's "OFF" note), the bar and its labels get no event at all.
    void unchangedNotesLeaveTheBarAtRest()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::qWait(500);
        QVERIFY(Said(w->receiverLinkLabel).startsWith("GPS port OFF: "));
        EventCount events;
        w->statusBar()->installEventFilter(&events);
        for (QWidget* widget : w->statusBar()->findChildren<QWidget*>())
            widget->installEventFilter(&events);
        QTest::qWait(1000);
        QCOMPARE(events.count, 0);
    }

    // At the default window size every note's head stays whole, with a long device path
    // in the details: the details give way, then the help text and the identity line.
    void notesFitTheDefaultWindow_data()
    {
        QTest::addColumn<QString>("link");  // the port note; empty: the port is open
        QTest::addColumn<QDate>("receiverDay");
        QTest::addColumn<bool>("bHelpWhole");
        QTest::newRow("lost port, rollover")
            << GpsSerialPortThread::PortLostText(kPath, QSerialPort::ReadError, 5000) << QDate(2000, 8, 25) << true;
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
            w->OnPpsLineNote(GpsSerialPortThread::PpsUnreadableText(1, kPath, "Inappropriate ioctl for device"));
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
