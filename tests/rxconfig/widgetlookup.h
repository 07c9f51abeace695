#pragma once

#include <QObject>
#include <QString>

// The named widget of a dialog's form; a missing name stops the test run at once.
template <class T>
T* Child(QObject* parent, const char* name)
{
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no widget %s", name);
    return child;
}
