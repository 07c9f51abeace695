#include "messagelog.h"

#include <QtGlobal>

namespace {

MessageLog* active = nullptr;
QtMessageHandler previous = nullptr;

void Collect(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (active)
        active->messages << text;
    if (previous)
        previous(type, context, text);
}

}  // namespace

MessageLog::MessageLog()
{
    Q_ASSERT(!active);
    active = this;
    previous = qInstallMessageHandler(Collect);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(previous);
    active = nullptr;
}

qsizetype MessageLog::CountStartingWith(const QString& start) const
{
    qsizetype count = 0;
    for (const QString& text : messages)
        count += text.startsWith(start) ? 1 : 0;
    return count;
}
