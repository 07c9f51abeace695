// Every window at its form's size: no fixed-place text is wider than its widget and no
// widget reaches outside its parent, so nothing the operator must read is cut off.

#include "../tools/allwindows.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

// A widget that a layout places gets the room it asks for; only fixed places can clip.
bool InLayout(const QWidget* widget)
{
    const QWidget* parent = widget->parentWidget();
    for (const QLayout* layout : parent ? parent->findChildren<QLayout*>() : QList<QLayout*>())
        if (layout->indexOf(const_cast<QWidget*>(widget)) >= 0)
            return true;
    return false;
}

QString Name(const QWidget* w) { return QLatin1String(w->metaObject()->className()) + u' ' + w->objectName(); }

QString Text(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->pixmap().isNull() ? label->text() : QString();
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return button ? button->text() : QString();
}

// Width and height a text needs. A push button's hint holds a style minimum width and
// margins that are no sign of clipping, so it counts the caption and a thin frame only.
QSize Needed(const QWidget* widget)
{
    const auto* button = qobject_cast<const QPushButton*>(widget);
    return button ? button->fontMetrics().size(Qt::TextShowMnemonic, button->text()) + QSize(4, 0) : widget->sizeHint();
}

// Why a fixed-place text does not fit in the part of its widget the parent shows, or empty.
QString TextMisfit(const QWidget* widget)
{
    const QRect shown = widget->geometry() & widget->parentWidget()->rect();
    const auto* label = qobject_cast<const QLabel*>(widget);
    const QSize needed = Needed(widget);
    const bool clipped = label && label->wordWrap()
        ? label->heightForWidth(shown.width()) > shown.height()
        : needed.width() > shown.width() || needed.height() > shown.height() + 2;
    return !clipped ? QString() : QStringLiteral("%1 \"%2\" needs %3 x %4, shows %5 x %6")
        .arg(Name(widget), Text(widget)).arg(needed.width()).arg(needed.height()).arg(shown.width()).arg(shown.height());
}

// Controls outside their parent and fixed-place texts that do not fit, one line each.
QStringList Misfits(QWidget* window)
{
    QStringList misfits;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->isWindow() || widget->isHidden() || InLayout(widget))
            continue;
        const QWidget* parent = widget->parentWidget();
        const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget)
            || qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget);
        if (control && !parent->rect().contains(widget->geometry()))
            misfits << Name(widget) + QStringLiteral(" lies outside ") + Name(parent);
        if (!Text(widget).isEmpty())
            misfits << TextMisfit(widget);
    }
    return misfits;
}

} // namespace

// The longest texts the program writes into the main window's fixed fields.
const QList<QPair<const char*, const char*>> kLongestTexts = {
    {"IDC_PC_CLOCK_DATA", "23:59:59.999<br>Australian Central Western Standard Time"},
    {"IDC_GPS_CLOCK_DATA", "UTC Day #366  23:59:59.999<br>Wednesday, 31-Dec-2036<br>GPS Week = 2451"
                           "<br>UTC = GPS - 18 seconds<br>+1 leap second is pending"},
    {"IDC_SIDEREAL_TIME", "23:59:59.99<br>23:59:59.99<br>99999.99999"}, {"IDC_GRIDSQUARE", "RR99xx.99"},
    {"IDC_SATS_VISIBLE", "12 Visible"}, {"IDC_SATS_TRACKED", "12 Tracked"},
    {"IDC_SATS_DGPS_MESSAGE", "Receiving DGPS, Age 999.9 sec"}};

class TestFormFit : public QObject
{
    Q_OBJECT

private slots:
    // Every window at its form's size, the main window with its longest texts.
    void everyWindowFitsItsTexts_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("MainWindow") << -1;
        for (int i = 0; i < int(AllWindows::Dialogs().size()); ++i)
            QTest::newRow(AllWindows::Dialogs()[size_t(i)].first) << i;
    }

    void everyWindowFitsItsTexts()
    {
        QFETCH(int, index);
        std::unique_ptr<QWidget> window(index < 0 ? static_cast<QWidget*>(new MainWindow) : AllWindows::Dialogs()[size_t(index)].second(nullptr));
        const QSize formSize = window->size();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QStringList misfits = Misfits(window.get());
        for (const auto& [field, text] : index < 0 ? kLongestTexts : decltype(kLongestTexts)()) {
            auto* label = window->findChild<QLabel*>(field);
            QVERIFY(label);
            label->setText(text);
            misfits << TextMisfit(label);
        }
        misfits.removeAll(QString());
        if (window->size() != formSize)
            misfits << QStringLiteral("the window grows from its form size %1 x %2 to %3 x %4").arg(formSize.width())
                           .arg(formSize.height()).arg(window->width()).arg(window->height());
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QLatin1Char('\n'))));
    }
};

HORALUX_TEST(TestFormFit);
#include "tst_formfit.moc"
