#include "modalwatcher.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>

ModalWatcher::ModalWatcher(QMessageBox::StandardButton answer, QObject* parent)
    : QObject(parent), answerButton(answer)
{
    connect(&timer, &QTimer::timeout, this, &ModalWatcher::Poll);
    timer.start(5);
}

void ModalWatcher::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;

    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.append({box->windowTitle(), box->text(), box->informativeText(), box->icon(), box->parent()});
        QAbstractButton* button = box->button(answerButton);
        for (QAbstractButton* other : {static_cast<QAbstractButton*>(box->defaultButton()), box->escapeButton(),
                                       box->buttons().value(0)})
            button = button ? button : other;
        if (button)
            button->click();
        else
            box->done(0);
        return;
    }

    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialogs.append(QString::fromLatin1(dialog->metaObject()->className()));
        if (dialogHandler)
            dialogHandler(dialog);
        if (dialog->isVisible())
            dialog->reject();
    }
}
