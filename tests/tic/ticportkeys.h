#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

// A TIC port's settings as the port dialog stores them, set and read by the tests.
inline QString TicPortKey(int port, const char* key)
{
    return QStringLiteral("TicPortDialog/TIC%1 %2").arg(port).arg(QLatin1String(key));
}
inline void SetTicPort(int port, const char* key, const QVariant& value) { QSettings().setValue(TicPortKey(port, key), value); }
inline QString Stored(int port, const char* key) { return QSettings().value(TicPortKey(port, key), "<none>").toString(); }
