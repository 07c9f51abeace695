#include "apptest.h"
#include "callout.h"
#include "satazelchart.h"
#include "satazelchartdialog.h"
#include "skychart.h"
#include "testsupport.h"
#include "ui_satazelchartdialog.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPolarChart>
#include <QScatterSeries>
#include <QTest>
#include <QValueAxis>

#include <cmath>
#include <memory>

namespace {

// The table the chart is given, with leading empty records as the PRN-sorted display
// table has them.
struct Table
{
    SatelliteRecord rows[256];
    explicit Table(std::initializer_list<SatelliteRecord> sats, int emptyFirst = 0)
    {
        int i = emptyFirst;
        for (const SatelliteRecord& s : sats)
            rows[i++] = s;
    }
};

SatelliteRecord Sky(int prn, int elevation, int azimuth, int trend = 0)
{
    return Sat(prn, elevation, azimuth, 0, 0, trend);
}

QList<QPointF> Points(const QScatterSeries* s)
{
    return s->points();
}

const QValueAxis* Axis(const SatAzElChartDialog& d, Qt::Orientation orientation)
{
    return qobject_cast<QValueAxis*>(d.chart->axes(orientation).value(0));
}

// A dialog on screen at a size the tests' chart values are worked out for.
std::unique_ptr<SatAzElChartDialog> Shown()
{
    auto d = std::make_unique<SatAzElChartDialog>();
    d->resize(420, 450);
    d->show();
    return d;
}

// Sends a pointer move to the chart view at a chart value.
void MoveTo(SatAzElChart* view, QPointF value)
{
    QChart* chart = view->chart();
    const QPointF pos = view->mapFromScene(chart->mapToScene(chart->mapToPosition(value)));
    QMouseEvent move(QEvent::MouseMove, pos, view->viewport()->mapToGlobal(pos), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
}

}  // namespace

class TestSkyChart : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void chartValues()
    {
        QCOMPARE(SkyChart::ChartPoint(123, 90), QPointF(123, 0));
        QCOMPARE(SkyChart::ChartPoint(0, 0), QPointF(0, 90));
        QVERIFY(SkyChart::IsRising(1) && !SkyChart::IsRising(0) && !SkyChart::IsRising(-1));

        QCOMPARE(SkyChart::AzElMessage(QPointF(12.34, 44.96)).value(), "Az: 12.3   El: 45.0");
        QCOMPARE(SkyChart::AzElMessage(QPointF(359.9, 90)).value(), "Az: 359.9   El: 0.0");
        QVERIFY(!SkyChart::AzElMessage(QPointF(360, 10)));
        QVERIFY(!SkyChart::AzElMessage(QPointF(10, 90.01)));
        QVERIFY(!SkyChart::AzElMessage(QPointF(std::nan(""), 10)));
        QVERIFY(!SkyChart::AzElMessage(QPointF(10, std::nan(""))));

        // Empty records lead the table; a satellite due north on the horizon is still found.
        const Table t({Sky(5, 0, 0), Sky(9, 30, 200), Sky(12, 30, 200)}, 10);
        QCOMPARE(SkyChart::PrnAt(t.rows, QPointF(0, 90)), 5);
        // Two satellites at one place: the first in the table is named.
        QCOMPARE(SkyChart::PrnAt(t.rows, QPointF(200.005, 60)), 9);
        QCOMPARE(SkyChart::PrnAt(t.rows, QPointF(200.01, 60)), 0);
        QCOMPARE(SkyChart::BalloonText(9, QPointF(200, 60)), "Prn: 9, Az: 200, El: 30 ");
        QCOMPARE(SkyChart::BalloonText(0, QPointF(12.5, 89.75)), "Prn: 0, Az: 12.5, El: 0.25 ");
    }

    void seriesByTrend()
    {
        SatAzElChartDialog d;
        d.UpdateSatellites(Table({Sky(3, 90, 10, 1), Sky(7, 0, 20, 0), Sky(8, 45, 30, -1)}).rows);
        QCOMPARE(Points(d.risingSeries), QList<QPointF>({QPointF(10, 0)}));
        QCOMPARE(Points(d.fallingSeries), QList<QPointF>({QPointF(20, 90), QPointF(30, 45)}));
        QCOMPARE(d.risingSeries->name() + '/' + d.fallingSeries->name(), "Satellite rising/Satellite falling");

        // A refresh replaces what was plotted.
        d.UpdateSatellites(Table({Sky(8, 50, 31, 1)}).rows);
        QCOMPARE(Points(d.risingSeries), QList<QPointF>({QPointF(31, 40)}));
        QVERIFY(Points(d.fallingSeries).isEmpty());
    }

    void receivedValuesOutOfRange()
    {
        auto d = Shown();
        const Table t({Sky(1, -5, 10), Sky(2, 95, 10), Sky(3, 10, -10), Sky(4, 10, 400), Sky(300, 20, 20),
                       Sky(-4, 20, 20), Sky(6, 20, 20)});
        d->UpdateSatellites(t.rows);
        // Only records with a PRN are plotted; values off the axes stay off the axes, so the
        // chart leaves them out rather than folding them onto the sky.
        const QList<QPointF> pts = Points(d->fallingSeries);
        QCOMPARE(pts.size(), 6);
        const QValueAxis* az = Axis(*d, Qt::Horizontal);
        const QValueAxis* el = Axis(*d, Qt::Vertical);
        QVERIFY(az && el);
        int inside = 0;
        for (const QPointF& p : pts)
            inside += p.x() >= az->min() && p.x() <= az->max() && p.y() >= el->min() && p.y() <= el->max();
        QCOMPARE(inside, 2);

        // A PRN with no pin slot can be hovered and clicked, but is not remembered.
        d->tooltip(QPointF(20, 70), true);
        QCOMPARE(d->hoverCallout->text, "Prn: 300, Az: 20, El: 20 ");
        d->toggleCallout(QPointF(20, 70));
        QCOMPARE(d->pinnedCallouts.size(), 1);
        QCOMPARE(std::count(std::begin(d->pinnedPrn), std::end(d->pinnedPrn), 1), 0);
        d->UpdateSatellites(t.rows);
        QVERIFY(d->pinnedCallouts.isEmpty());
    }

    void pinFollowsSatellite()
    {
        auto d = Shown();
        d->UpdateSatellites(Table({Sky(14, 40, 100, 1), Sky(22, 60, 250)}).rows);
        // A click without a hover first still pins the satellite clicked.
        d->toggleCallout(QPointF(250, 30));
        QCOMPARE(d->pinnedPrn[22], 1);
        QCOMPARE(d->pinnedCallouts.size(), 1);
        QVERIFY(d->hoverCallout && !d->hoverCallout->isVisible());

        d->UpdateSatellites(Table({Sky(22, 62, 252), Sky(14, 41, 101, 1)}).rows);
        QCOMPARE(d->pinnedCallouts.size(), 1);
        const Callout* pinned = d->pinnedCallouts.first();
        QCOMPARE(pinned->text, "Prn: 22, Az: 252, El: 62 ");
        QVERIFY(pinned->isVisible());
        QCOMPARE(pinned->pos(), d->chart->mapToPosition(QPointF(252, 28)) + QPointF(10, -50));

        // A second click while the pointer stays on a satellite just pinned unpins it.
        const auto click = [&](QPointF at) {
            d->tooltip(at, true);
            d->toggleCallout(at);
        };
        click(QPointF(101, 49));
        QCOMPARE(d->pinnedPrn[14], 1);
        d->toggleCallout(QPointF(101, 49));
        QCOMPARE(d->pinnedPrn[14], 0);
        QCOMPARE(d->pinnedCallouts.size(), 1);

        // Pinning another satellite, then clicking the first again, takes only that one away.
        click(QPointF(101, 49));
        QCOMPARE(d->pinnedCallouts.size(), 2);
        click(QPointF(252, 28));
        QCOMPARE(d->pinnedCallouts.size(), 1);
        QCOMPARE(d->pinnedCallouts.first()->anchor, QPointF(101, 49));
        QCOMPARE(d->pinnedPrn[22], 0);
        QCOMPARE(d->pinnedPrn[14], 1);
    }

    void pinsClearedOnReopening()
    {
        SatAzElChartDialog d;
        const Table t({Sky(14, 40, 100)});
        d.UpdateSatellites(t.rows);
        d.ShowChart();
        d.tooltip(QPointF(100, 50), true);
        d.toggleCallout(QPointF(100, 50));
        d.resize(500, 520);
        d.close();
        QVERIFY(d.pinnedCallouts.isEmpty());
        QCOMPARE(d.pinnedPrn[14], 1);
        d.ShowChart();
        QCOMPARE(d.size(), QSize(500, 520));
        QCOMPARE(d.pinnedPrn[14], 0);
        d.UpdateSatellites(t.rows);
        QVERIFY(d.pinnedCallouts.isEmpty());
    }

    void chartTypeSwitch()
    {
        auto d = Shown();
        const Table t({Sky(14, 40, 100, 1)});
        d->UpdateSatellites(t.rows);
        d->tooltip(QPointF(100, 50), true);
        d->toggleCallout(QPointF(100, 50));
        d->tooltip(QPointF(100, 50), true);
        const QString title = d->chart->title();
        QTest::qWait(50);

        // Painting after the balloons' chart is gone must not touch a deleted balloon.
        QTest::keyClick(d->chartView, Qt::Key_Space);
        QTest::qWait(50);
        QCOMPARE(d->chart, d->chartView->chart());
        QCOMPARE(d->chart->chartType(), QChart::ChartTypeCartesian);
        QCOMPARE(d->chart->title(), title);
        QCOMPARE(d->chart->series().size(), 2);
        QVERIFY(d->pinnedCallouts.isEmpty() && !d->hoverCallout);
        const QValueAxis* az = Axis(*d, Qt::Horizontal);
        const QValueAxis* el = Axis(*d, Qt::Vertical);
        QVERIFY(az && el);
        QCOMPARE(QList<double>({az->min(), az->max(), el->min(), el->max()}), QList<double>({0, 360, 0, 90}));
        QVERIFY(el->isReverse());
        QCOMPARE(d->risingSeries->attachedAxes().size(), 2);
        // The legend keeps its star markers and the flat azimuth axis labels that fit.
        QCOMPARE(d->chart->legend()->markerShape(), QLegend::MarkerShapeFromSeries);
        QCOMPARE(az->tickCount(), 7);

        // The pin flag survives; the next refresh pins the balloon on the new chart.
        d->resize(440, 460);
        d->UpdateSatellites(t.rows);
        QCOMPARE(d->pinnedCallouts.size(), 1);
        QCOMPARE(d->pinnedCallouts.first()->chart, d->chart);
        // Nor after zooming and scrolling under a pinned balloon that a refresh then deletes.
        QTest::keyClick(d->chartView, Qt::Key_Plus);
        QTest::keyClick(d->chartView, Qt::Key_Down);
        d->UpdateSatellites(t.rows);
        QTest::qWait(50);

        QTest::keyClick(d->chartView, Qt::Key_Space);
        QCOMPARE(d->chart->chartType(), QChart::ChartTypePolar);
        QCOMPARE(d->chart->series().size(), 2);
        QCOMPARE(d->chart->legend()->markerShape(), QLegend::MarkerShapeFromSeries);
    }

    void pointerReadout()
    {
        auto d = Shown();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        QLabel* label = d->form->AzElLabel;

        MoveTo(d->chartView, QPointF(90, 45));
        const QStringList parts = label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(parts.size(), 4);
        QVERIFY2(std::abs(parts[1].toDouble() - 90) < 2 && std::abs(parts[3].toDouble() - 45) < 2,
                 qPrintable(label->text()));

        label->setText(QStringLiteral("kept"));
        MoveTo(d->chartView, QPointF(90, 130));
        QCOMPARE(label->text(), "kept");

        d->chartView->switchChartType();
        MoveTo(d->chartView, QPointF(90, 45));
        QCOMPARE(label->text(), "kept");
    }
};

HORALUX_TEST(TestSkyChart);
#include "tst_skychart.moc"
