#pragma once

#include <QStringList>

// Collects the texts of the debug log (qDebug, qWarning, ...) written while it lives,
// passing each on to the handler before it, so QTest::ignoreMessage still works.
// One at a time.
class MessageLog
{
public:
    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // How many collected texts start with the given text.
    qsizetype CountStartingWith(const QString& start) const;

    QStringList messages;
};
