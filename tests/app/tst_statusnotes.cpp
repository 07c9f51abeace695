// Notes in the status bar that stay while they are true, and fit beside the help text:
// the clock guard's refusal of a receiver date and the TIC counters' links.

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

const QString kLostPath = QStringLiteral("/tmp/horalux-test-Xq93/station/pseudo-terminals/receiver-a/gps");
const QString kLost = "GPS serial port " + kLostPath + " lost (read error), retrying every 5 s";
const QString kUnreachable = QStringLiteral("TIC1: the counter at 10.0.0.9 cannot be reached (Connection refused); trying again.");

// What a note label says: its whole text while it is on show.
QString Said(const QLabel* label) { return label->isHidden() ? QString() : label->toolTip(); }

}  // namespace

class TestStatusNotes : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;

    // One second of the status record with the receiver's clock at t.
    void Second(const QDateTime& t)
    {
        w->receiverTime.SetDateTime(t);
        w->LogStatusRecord();
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        BuildDate::SetDay(QDate(2026, 12, 7));
        w = std::make_unique<MainWindow>();
        w->bGpsSearchActive = false;
    }

    void cleanup()
    {
        w.reset();
        BuildDate::SetDay(QDate());
    }

    // The path gives way in its middle before the words after it; a text without a path,
    // or one still too long, loses its end. Whatever is left fits.
    void fitting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("chars");  // room, in widths of 'x'
        QTest::addColumn<QString>("starts");
        QTest::addColumn<QString>("ends");
        QTest::newRow("fits") << kLost << kLostPath << 200 << kLost << kLost;
        QTest::newRow("path cut") << kLost << kLostPath << 75 << "GPS serial port /tmp/" << "/gps lost (read error), retrying every 5 s";
        QTest::newRow("no path") << kUnreachable << QString() << 40 << "TIC1: the counter at" << QString(QChar(0x2026));
        QTest::newRow("path not in the text") << kUnreachable << kLostPath << 40 << "TIC1: the counter at" << QString(QChar(0x2026));
        QTest::newRow("too narrow for any path") << kLost << kLostPath << 30 << "GPS serial port /t" << QString(QChar(0x2026));
    }

    void fitting()
    {
        QFETCH(QString, text);
        QFETCH(QString, path);
        QFETCH(int, chars);
        QFETCH(QString, starts);
        QFETCH(QString, ends);
        const QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans"), 9));
        const int room = chars * metrics.horizontalAdvance(QLatin1Char('x'));
        const QString fitted = FitStatusNote(metrics, text, path, room);
        QVERIFY2(fitted.startsWith(starts) && fitted.endsWith(ends), qPrintable(fitted));
        QVERIFY(metrics.horizontalAdvance(fitted) <= room);
    }

    // A status tip comes and goes over the notes; they stay until what they say ends:
    // a plausible receiver date, and the counter's return, said for a while.
    void notesOutlastStatusTips()
    {
        Second(Utc(2000, 8, 25, 4, 50, 0));
        Second(Utc(2000, 8, 25, 4, 50, 1));
        w->OnTicLinkStatus(1, false, kUnreachable);
        const QString rollover = QStringLiteral(
            "Receiver date 25-Aug-2000 is before this program's build date 07-Dec-2026: the receiver may "
            "have passed a GPS week rollover. The PC clock is not set from it.");
        for (int pass = 0; pass < 2; ++pass) {
            w->ui->actionUTC->showStatusText(w.get());
            QCOMPARE(w->statusBar()->currentMessage(), w->ui->actionUTC->statusTip());
            w->statusBar()->clearMessage();
            QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));
            QCOMPARE(Said(w->clockGuardLabel), rollover);
            QCOMPARE(Said(w->ticLinkLabel), kUnreachable);
            Second(Utc(2000, 8, 25, 4, 50, 2 + pass));
        }
        // A second port's failure is said beside the first's.
        w->OnTicLinkStatus(3, false, QStringLiteral("TIC3: the counter at 10.0.0.7 cannot be reached."));
        QCOMPARE(Said(w->ticLinkLabel), kUnreachable + "  TIC3: the counter at 10.0.0.7 cannot be reached.");
        w->ticLinkBackShownMs = 300;
        w->OnTicLinkStatus(1, true, QStringLiteral("TIC1: the counter at 10.0.0.9 is back."));
        w->OnTicLinkStatus(3, true, QStringLiteral("TIC3: the counter at 10.0.0.7 is back."));
        QCOMPARE(Said(w->ticLinkLabel), "TIC1: the counter at 10.0.0.9 is back.  TIC3: the counter at 10.0.0.7 is back.");
        QVERIFY(TestSupport::WaitFor([&] { return Said(w->ticLinkLabel).isEmpty(); }, 3000));
        Second(Utc(2026, 12, 8, 0, 0, 0));
        QCOMPARE(Said(w->clockGuardLabel), QString());
    }

    // At the default window size a lost port with a long path keeps the words that matter
    // and leaves the help text whole; with the rollover note beside it, each note still fits
    // its label.
    void notesFitTheDefaultWindow()
    {
        QLabel* lostLabel = w->ticLinkLabel;  // any note label will do for the lost port's text
        ShowStatusNote(lostLabel, kLost, kLostPath);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const auto fits = [&] {
            int firstLeft = w->statusBar()->width();
            for (QLabel* label : w->statusBar()->findChildren<QLabel*>()) {
                if (label->isHidden())
                    continue;
                firstLeft = std::min(firstLeft, label->x());
                if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
                    return false;
            }
            const QFontMetrics metrics = w->statusBar()->fontMetrics();
            return firstLeft >= metrics.horizontalAdvance(QStringLiteral("For Help, press F1"));
        };
        QVERIFY(TestSupport::WaitFor(fits, 2000));
        QVERIFY2(lostLabel->text().contains("gps lost ("), qPrintable(lostLabel->text()));
        QVERIFY(lostLabel->text().startsWith("GPS serial port /t") && lostLabel->toolTip() == kLost);
        Second(Utc(2000, 8, 25, 4, 50, 0));
        Second(Utc(2000, 8, 25, 4, 50, 1));
        QVERIFY(TestSupport::WaitFor(fits, 2000));
        QVERIFY(w->clockGuardLabel->text().startsWith("Receiver date 2"));
        // The room the rollover note leaves when the date is plausible again goes to the other.
        const qsizetype shared = lostLabel->text().size();
        Second(Utc(2026, 12, 8, 0, 0, 0));
        QVERIFY(TestSupport::WaitFor([&] { return lostLabel->text().size() > shared && fits(); }, 2000));
    }
};

HORALUX_TEST(TestStatusNotes);
#include "tst_statusnotes.moc"
