#include "dialogscript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

namespace DialogScript {

Step Type(const char* field, const QString& text)
{
    return [=](QDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QLatin1String(field));
        QVERIFY2(edit, field);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    };
}

Step Click(const char* button)
{
    return [=](QDialog* dialog) {
        auto* widget = dialog->findChild<QAbstractButton*>(QLatin1String(button));
        QVERIFY2(widget, button);
        widget->click();
    };
}

Player::Player(QList<Step> steps) : steps(std::move(steps))
{
    connect(&timer, &QTimer::timeout, this, &Player::Poll);
    timer.start(5);
}

void Player::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes << box->windowTitle() + QLatin1Char('|') + box->text();
        box->button(QMessageBox::Ok)->click();
        return;
    }
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (!dialog || bStepRunning)
        return;
    if (steps.isEmpty()) {
        boxes << QStringLiteral("still open");
        dialog->reject();
        return;
    }
    bStepRunning = true;
    QTimer::singleShot(0, dialog, [this, dialog, step = steps.takeFirst()] {
        step(dialog);
        bStepRunning = false;
    });
}

}  // namespace DialogScript
