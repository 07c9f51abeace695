// Notes in the status bar that stay while they are true and fit beside the help text.

#include "apptest.h"
#include "builddate.h"
#include "mainwindow.h"
#include "statusnotes.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include <memory>

namespace {

const QString kPath = QStringLiteral("/tmp/horalux-test-Xq93/station/pseudo-terminals/receiver-a/gps");
const QString kLost = "GPS serial port " + kPath + " lost (read error), retrying every 5 s";
const QString kUnreachable = QStringLiteral("TIC1: the counter at 10.0.0.9 cannot be reached (refused); trying again.");

QString Said(const QLabel* label) { return label->isHidden() ? QString() : label->toolTip(); }

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

    // Each shown note fits its label, and the help text left of them all is whole.
    bool Fits() const
    {
        int firstLeft = w->statusBar()->width();
        for (const QLabel* label : w->statusBar()->findChildren<QLabel*>()) {
            if (label->isHidden())
                continue;
            firstLeft = std::min(firstLeft, label->x());
            if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
                return false;
        }
        return firstLeft >= w->statusBar()->fontMetrics().horizontalAdvance(QStringLiteral("For Help, press F1"));
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
        QVERIFY(Said(w->clockGuardLabel).startsWith("Receiver date 25-Aug-2000 is before this program's build date 07-Dec-2026: "));
        QCOMPARE(Said(w->ticLinkLabel), kUnreachable);
        // The return shows for 10 s on the steady clock.
        qint64 nowMs = 1000;
        w->ticLinkClockMs = [&nowMs] { return nowMs; };
        const QString back = QStringLiteral("TIC1 back: the counter at 10.0.0.9 answers again");
        w->OnTicLinkStatus(1, true, back);
        QStringList shown;
        for (qint64 atMs : {10500, 11500}) {
            nowMs = atMs;
            w->EndTicLinkBackNotes();
            shown << Said(w->ticLinkLabel);
        }
        QCOMPARE(shown, QStringList({back, QString()}));
        Seconds(QDate(2026, 12, 8));
        QCOMPARE(Said(w->clockGuardLabel), QString());
    }

    // At the default window size a long device path gives way in its middle, so "lost"
    // stays; a second note shares the room, and gives it back when it goes.
    void notesFitTheDefaultWindow()
    {
        QLabel* lostLabel = w->ticLinkLabel;  // any note label will do for the lost port's text
        ShowStatusNote(w->receiverLinkLabel, QString());  // the default port's "OFF" note
        ShowStatusNote(lostLabel, kLost, kPath);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // The notes are fitted again once the bar has laid itself out: wait for that.
        const auto lostFits = [&] {
            return lostLabel->text().startsWith("GPS serial port /t") && lostLabel->text().contains("gps lost (");
        };
        QVERIFY(TestSupport::WaitFor([&] { return Fits() && lostFits(); }, 2000));
        QVERIFY2(lostFits(), qPrintable(lostLabel->text()));
        QCOMPARE(lostLabel->toolTip(), kLost);
        const qsizetype alone = lostLabel->text().size();
        Seconds(QDate(2000, 8, 25));
        const auto shared = [&] {
            return w->clockGuardLabel->text().startsWith("Receiver date 2") && lostLabel->text().size() < alone;
        };
        QVERIFY(TestSupport::WaitFor([&] { return Fits() && shared(); }, 2000));
        QVERIFY2(shared(), qPrintable(w->clockGuardLabel->text() + " | " + lostLabel->text()));
        Seconds(QDate(2026, 12, 8));
        QVERIFY(TestSupport::WaitFor([&] { return lostLabel->text().size() == alone && Fits(); }, 2000));
    }
};

HORALUX_TEST(TestStatusNotes);
#include "tst_statusnotes.moc"
