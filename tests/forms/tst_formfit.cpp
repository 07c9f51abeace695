// Every window at its form's size: no fixed-place text is wider than its widget and no
// widget reaches outside its parent, so nothing the operator must read is cut off.

#include "../tools/allwindows.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
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
    if (!parent || !parent->layout())
        return false;
    for (const QLayout* layout : parent->findChildren<QLayout*>())
        if (layout->indexOf(const_cast<QWidget*>(widget)) >= 0)
            return true;
    return parent->layout()->indexOf(const_cast<QWidget*>(widget)) >= 0;
}

QString Name(const QWidget* widget)
{
    return QStringLiteral("%1 %2").arg(QLatin1String(widget->metaObject()->className()), widget->objectName());
}

QString Text(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->pixmap().isNull() ? label->text() : QString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    return {};
}

// Width and height a text needs. A push button's hint holds a style minimum width and
// margins that are no sign of clipping, so it counts the caption and a thin frame only.
QSize Needed(const QWidget* widget)
{
    const auto* button = qobject_cast<const QPushButton*>(widget);
    if (!button)
        return widget->sizeHint();
    return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()) + QSize(4, 0);
}

// Controls outside their parent and fixed-place texts that do not fit in the part of
// their widget the parent shows, one line each.
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
        if (Text(widget).isEmpty())
            continue;
        const QRect shown = widget->geometry() & parent->rect();
        const auto* label = qobject_cast<const QLabel*>(widget);
        const QSize needed = Needed(widget);
        const bool clipped = label && label->wordWrap()
            ? label->heightForWidth(shown.width()) > shown.height()
            : needed.width() > shown.width() || needed.height() > shown.height() + 2;
        if (clipped)
            misfits << QStringLiteral("%1 \"%2\" needs %3 x %4, shows %5 x %6")
                           .arg(Name(widget), Text(widget)).arg(needed.width()).arg(needed.height())
                           .arg(shown.width()).arg(shown.height());
    }
    return misfits;
}

} // namespace

class TestFormFit : public QObject
{
    Q_OBJECT

private slots:
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
        std::unique_ptr<QWidget> window;
        if (index < 0)
            window = std::make_unique<MainWindow>();
        else
            window.reset(AllWindows::Dialogs()[size_t(index)].second(nullptr));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QStringList misfits = Misfits(window.get());
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QLatin1Char('\n'))));
    }
};

HORALUX_TEST(TestFormFit);
#include "tst_formfit.moc"
