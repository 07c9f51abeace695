#include "calendarnames.h"

namespace {

const char* const kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
const char* const kShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[12] = {"January", "February", "March", "April",
                                     "May", "June", "July", "August",
                                     "September", "October", "November", "December"};
const char* const kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <int N>
QString NameOf(const char* const (&names)[N], int number, const char* illegal)
{
    if (number < 1 || number > N)
        return QString::fromLatin1(illegal);
    return QString::fromLatin1(names[number - 1]);
}

}  // namespace

QString DayName(int day)
{
    return NameOf(kDayNames, day, "Illegal day");
}

QString ShortDayName(int day)
{
    return NameOf(kShortDayNames, day, "Illegal day");
}

QString MonthName(int month)
{
    return NameOf(kMonthNames, month, "Illegal month");
}

QString ShortMonthName(int month)
{
    return NameOf(kShortMonthNames, month, "Illegal month");
}
