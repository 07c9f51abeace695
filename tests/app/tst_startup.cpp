#include "mainwindow.h"
#include "modalwatcher.h"
#include "testsupport.h"

#include <QTest>

// Construction with an empty settings store must never need the user.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void constructsAndDestroysWithEmptyStore()
    {
        TestSupport::ClearSettings();
        auto* window = new MainWindow;
        QCOMPARE(window->windowTitle(), QStringLiteral("Horalux"));
        delete window;
    }
};

HORALUX_TEST(TestStartup);
#include "tst_startup.moc"
