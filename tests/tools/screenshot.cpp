// Developer tool: starts the main window against a private settings store, answers
// any start-up message box, and saves pictures of the main window and, optionally, of
// the windows opened by the named menu actions.
//   horalux_screenshot OUT_DIR [actionObjectName ...]
// Run under xvfb-run to see the real fonts and styles.

#include "mainwindow.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

int main(int argc, char** argv)
{
    TestSupport::IsolateSettings();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    if (argc < 2) {
        qWarning("usage: horalux_screenshot OUT_DIR [actionObjectName ...]");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    ModalWatcher watcher(QMessageBox::Ok);
    MainWindow window;
    window.ShowAndInitialize();
    QTest::qWait(300);
    window.grab().save(out.filePath("mainwindow.png"));

    for (int i = 2; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        auto* action = window.findChild<QAction*>(name);
        if (!action) {
            qWarning("no action %s", argv[i]);
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
