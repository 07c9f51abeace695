// Developer tool: starts the main window against a private settings store, answers
// any start-up message box, and saves pictures of the main window and, optionally, of
// the windows opened by the named menu actions or of the named dialog classes (for the
// windows no menu action reaches: the coax calculator, the reference-location dialog, ...).
// "statusbar" also saves the window with a counter's long note and a log's message beside
// it (statusbar-message.png), and the same once the message's time is up
// (statusbar-later.png). "notes" saves the status bar with three notes (a counter with no
// signal, a log not written, a missing 1PPS pulse) and a log's message beside them
// (notes-bar.png, and the window as notes-window.png), and the bar again with the badges
// of a receiver not heard (notes-bar-unknown.png).
//   horalux_screenshot OUT_DIR [actionObjectName | DialogClassName | all | statusbar | notes ...]
// Run under xvfb-run to see the real fonts and styles.

#include "allwindows.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "porttexts.h"
#include "statusnotes.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

int main(int argc, char** argv)
{
    TestSupport::IsolateSettings();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    if (argc < 2) {
        qWarning("usage: horalux_screenshot OUT_DIR [actionObjectName | DialogClassName | all ...]");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QStringList names;
    for (int i = 2; i < argc; ++i)
        names << QString::fromLocal8Bit(argv[i]);
    const bool bStatusBar = names.removeAll(QStringLiteral("statusbar")) > 0;
    if (bStatusBar) {
        // A counter on a serial port that is not there: its note is the longest there is.
        QSettings().setValue(QStringLiteral("TicPortDialog/TIC1 Serial Port"),
                             QStringLiteral("/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port1"));
    }

    ModalWatcher watcher(QMessageBox::Ok);
    MainWindow window;
    window.ShowAndInitialize();
    // Sample readings, so the picture shows the run-time texts in their fields.
    window.receiverTime.SetDateTime(QDateTime::currentDateTimeUtc());
    window.receiverTime.SetLocation(51.4779, -0.0015);
    window.AddPositionSample(51.4779, -0.0015, 115.4, 69.9);
    window.ShowNavigationStatus(0);
    window.ShowAntennaStatus(0);
    for (int i = 0; i < 12; ++i) {
        SatelliteRecord& sat = window.satellites[i];
        sat = {i + 1, 5 + 7 * i, 29 * i, 30 + 2 * i, i % 3 != 0, 8, int8_t(0x80), i % 2 ? 1 : -1};
    }
    window.UpdateSatelliteTable();
    window.utcOffsetSecs = 18; // the longest GPS panel: offset and leap-second lines
    window.leapSecondPending = 1;
    window.UpdateClockDisplay();
    // The longest texts the decoders write below the satellite table.
    window.ui->IDC_SATS_VISIBLE->setText(QStringLiteral("12 Visible"));
    window.ui->IDC_SATS_TRACKED->setText(QStringLiteral("12 Tracked"));
    window.ui->IDC_SATS_STATUS_MESSAGE->setText(
        QStringLiteral("Altitude Hold (2-D Fix), Insufficient Satellites (<3), DGPS"));
    window.ui->IDC_SATS_DOPS_MESSAGE->setText(
        QStringLiteral("DOPs: T = 99.9, P = 99.9, H = 99.9, V = 99.9"));
    window.ui->IDC_SATS_DGPS_MESSAGE->setText(QStringLiteral("Receiving DGPS, Age 999.9 sec"));
    QTest::qWait(1500);
    window.grab().save(out.filePath("mainwindow.png"));
    if (bStatusBar) {
        // As the logs say it; the message stands 10 s.
        window.statusBar()->showMessage(QStringLiteral("Log file /var/lib/horalux/logs/GPS2026342.txt: writing again."));
        QTest::qWait(500);
        window.grab().save(out.filePath("statusbar-message.png"));
        QTest::qWait(10000);
        window.grab().save(out.filePath("statusbar-later.png"));
    }
    if (names.removeAll(QStringLiteral("notes")) > 0) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        // The receiver's port open, as at a station that runs: its note is not one of these.
        window.receiverLinkWatch.PortOpened();
        window.ShowReceiverLinkText();
        const QString logs = QStringLiteral("/var/lib/horalux/logs/");
        window.OnTicLinkStatus(1, false, QStringLiteral("TIC1 no signal: the counter answers \"+9.91E+37\" (no measurement) since %1 UTC")
                                             .arg(now.addSecs(-40).toString(QStringLiteral("HH:mm:ss"))));
        ShowStatusNote(window.logNoteLabel, "GPS log not written: " + logs + "GPS2026342.txt (No space left on device)", logs);
        window.OnPpsLineNote(PortTexts::PpsMissingText(1, now.addSecs(-32), now));
        window.statusBar()->showMessage("Log file " + logs + "TIC2026342.txt: writing again.");
        QTest::qWait(500);
        window.statusBar()->grab().save(out.filePath("notes-bar.png"));
        window.grab().save(out.filePath("notes-window.png"));
        // The badges of a receiver not heard are wider: the notes have less room.
        window.HoldBadges();
        QTest::qWait(500);
        window.statusBar()->grab().save(out.filePath("notes-bar-unknown.png"));
    }
    if (names.removeAll(QStringLiteral("all")) > 0) {
        for (const auto& [name, make] : AllWindows::Dialogs())
            names << QString::fromLatin1(name);
    }

    for (const QString& name : names) {
        const auto known = std::find_if(AllWindows::Dialogs().begin(), AllWindows::Dialogs().end(),
            [&](const auto& entry) { return name == QLatin1String(entry.first); });
        if (known != AllWindows::Dialogs().end()) {
            // Shown modeless at its form size: the picture is of the form, not of a session.
            std::unique_ptr<QWidget> dialog(known->second(&window));
            dialog->show();
            QTest::qWait(200);
            dialog->grab().save(out.filePath(name + ".png"));
            continue;
        }
        auto* action = window.findChild<QAction*>(name);
        if (!action) {
            qWarning("no action or window %s", qPrintable(name));
            continue;
        }
        watcher.SetDialogHandler([&](QDialog* dialog) {
            QTest::qWait(200);
            dialog->grab().save(out.filePath(name + ".png"));
        });
        action->trigger();
        QTest::qWait(300);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != &window && w->isVisible() && qobject_cast<QDialog*>(w)) {
                w->grab().save(out.filePath(name + ".png"));
                w->hide();
            }
        }
    }
    for (const auto& box : watcher.boxes)
        qInfo("message box: [%s] %s", qPrintable(box.title), qPrintable(box.text));
    return 0;
}
