// Kept to this one small file: configuring writes the day into a generated header that
// changes only with the day of the last commit, so only this file is compiled again.

#include "builddate.h"

#include <QLocale>
#include <QString>

#if __has_include("horalux_build_date.h")
#include "horalux_build_date.h"
#endif

namespace {

QDate overrideDay;

QDate BuiltOn()
{
#ifdef HORALUX_BUILD_DATE
    return QDate::fromString(QStringLiteral(HORALUX_BUILD_DATE), Qt::ISODate);
#else
    // Built without the generated header (another build of these sources): the
    // compiler's own date, "Aug 25 2000" or "Aug  5 2000".
    return QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
#endif
}

}  // namespace

namespace BuildDate {

QDate Day()
{
    if (overrideDay.isValid())
        return overrideDay;
    static const QDate builtOn = BuiltOn();
    return builtOn;
}

void SetDay(const QDate& day) { overrideDay = day; }

}  // namespace BuildDate
