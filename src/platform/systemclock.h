#pragma once

#include <QDateTime>
#include <QString>

// The one door to the machine's real-time clock. The program is linked against the
// real layer; tests link a recording fake instead, so no test can move the clock.
namespace SystemClock {

// Asks for the right to set the system clock. Returns 0 when it is held, otherwise
// an error code for ErrorText.
int RequestSetTimePrivilege();

// Sets the system clock to the given UTC time. Returns 0 on success, otherwise an
// error code for ErrorText.
int SetSystemUtcTime(const QDateTime& utc);

// The system's text for an error code of the two calls above.
QString ErrorText(int errorCode);

}  // namespace SystemClock
