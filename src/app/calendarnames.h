#pragma once

#include <QString>

// English day and month names. Days count from Sunday = 1 to Saturday = 7 (unlike
// QDate::dayOfWeek), months from January = 1; numbers outside the range give
// "Illegal day" or "Illegal month".
QString DayName(int day);
QString ShortDayName(int day);
QString MonthName(int month);
QString ShortMonthName(int month);
