#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "mainwindow.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QTest>

#include <memory>

namespace {

const QString kGreen = QStringLiteral("padding: 2px 5px; color:white; background-color:green");
const QString kRed = QStringLiteral("padding: 2px 5px; color:white; background-color:red");
const QString kYellow = QStringLiteral("padding: 2px 5px; color:black; background-color:yellow");
const QString kWhite = QStringLiteral("padding: 2px 5px; color:black; background-color:white");

}  // namespace

class TestBadges : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        window = std::make_unique<MainWindow>();
    }

    void cleanup() { window.reset(); }

    void badgesInEveryState_data()
    {
        QTest::addColumn<bool>("antenna");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("style");
        QTest::newRow("ant ok") << true << 0 << "Ant OK" << kGreen;
        QTest::newRow("ant short") << true << 1 << "Ant OC Short" << kRed;
        QTest::newRow("ant open") << true << 2 << "Ant Open" << kYellow;
        QTest::newRow("ant no power") << true << 3 << "Ant No Pwr" << kYellow;
        QTest::newRow("ant before any report") << true << -1 << "Ant Unknown" << kWhite;
        QTest::newRow("ant 4") << true << 4 << "Ant Unknown" << kWhite;
        QTest::newRow("navigating") << false << 0 << "Navigating" << kGreen;
        QTest::newRow("hold") << false << 1 << "Position Hold" << kGreen;
        QTest::newRow("surveying") << false << 2 << "Surveying" << kYellow;
        QTest::newRow("nav 3") << false << 3 << "Nav Unknown" << kWhite;
        QTest::newRow("nav negative") << false << -7 << "Nav Unknown" << kWhite;
    }

    void badgesInEveryState()
    {
        QFETCH(bool, antenna);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(QString, style);
        if (antenna)
            window->ShowAntennaStatus(state);
        else
            window->ShowNavigationStatus(state);
        QLabel* badge = antenna ? window->antennaBadge : window->navigationBadge;
        QCOMPARE(badge->text(), text);
        QCOMPARE(badge->styleSheet(), style);
        // The receiver dialog keeps the navigation state; the antenna leaves it alone.
        QCOMPARE(window->gpsRxDialog->navigationStatus, antenna ? -1 : state);
    }

    void positionSampleShowsTheGridSquare()
    {
        // A fresh averaging engine given the same first sample names the same square.
        window->gpsRxDialog->gpsMode = 2;
        GpsNavDialog reference;
        const QString expected = reference.AddNavSample(48.8584, 2.2945, 380.0, 330.0, 2);
        window->ui->IDC_GRIDSQUARE->setText(QStringLiteral("stale"));
        window->AddPositionSample(48.8584, 2.2945, 380.0, 330.0);
        QCOMPARE(window->ui->IDC_GRIDSQUARE->text(), expected);
        double lat = 0, lon = 0, altGps = 0, altMsl = 0;
        window->gpsNavDialog->GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
        QCOMPARE(lat, 48.8584);
        QCOMPARE(lon, 2.2945);
        QCOMPARE(altMsl, 330.0);
    }

    void takeFirstField()
    {
        QByteArray text = "12,34";
        QCOMPARE(MainWindow::TakeFirstField(text, "0"), QByteArray("12"));
        QCOMPARE(text, QByteArray("34"));
        QCOMPARE(MainWindow::TakeFirstField(text, "0"), QByteArray("34"));
        QCOMPARE(text, QByteArray());
        QCOMPARE(MainWindow::TakeFirstField(text, "0"), QByteArray("0"));
        QCOMPARE(text, QByteArray());

        text = ",34";
        QCOMPARE(MainWindow::TakeFirstField(text, "dflt"), QByteArray("dflt"));
        QCOMPARE(text, QByteArray("34"));

        // A blank is a field until it has been judged, so it is not replaced.
        text = " ,34";
        QCOMPARE(MainWindow::TakeFirstField(text, "dflt"), QByteArray());
        QCOMPARE(text, QByteArray("34"));

        text = "a,,b";
        QCOMPARE(MainWindow::TakeFirstField(text, "x"), QByteArray("a"));
        QCOMPARE(MainWindow::TakeFirstField(text, "x"), QByteArray("x"));
        QCOMPARE(text, QByteArray("b"));

        // Fields and the default are trimmed; a trailing comma leaves an empty text.
        text = "  padded\t,";
        QCOMPARE(MainWindow::TakeFirstField(text, "x"), QByteArray("padded"));
        QCOMPARE(text, QByteArray());
        QCOMPARE(MainWindow::TakeFirstField(text, " d "), QByteArray("d"));
    }
};

HORALUX_TEST(TestBadges);
#include "tst_badges.moc"
