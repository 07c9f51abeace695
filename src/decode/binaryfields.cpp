// Field readers of the binary receiver protocols, and the GPS calendar.

#include "binaryfields.h"

#include "mainwindow.h"

namespace {

// The field's bytes, most significant first, as an unsigned number; 0 outside.
uint32_t BigEndian(const QByteArray& msg, int offset, int width)
{
    if (!FieldInside(msg, offset, width))
        return 0;
    uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | static_cast<uint8_t>(msg.at(offset + i));
    return value;
}

}  // namespace

bool FieldInside(const QByteArray& msg, int offset, int width)
{
    return offset >= 0 && width >= 0 && static_cast<qsizetype>(offset) + width <= msg.size();
}

double ReadBigEndianInt32AsDouble(const QByteArray& msg, int offset)
{
    return static_cast<double>(static_cast<int32_t>(BigEndian(msg, offset, 4)));
}

uint32_t ReadLittleEndianUInt32(const QByteArray& msg, int offset)
{
    if (!FieldInside(msg, offset, 4))
        return 0;
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(msg.at(offset + i));
    return value;
}

uint8_t ReadUInt8(const QByteArray& msg, int offset)
{
    return static_cast<uint8_t>(BigEndian(msg, offset, 1));
}

int8_t ReadInt8(const QByteArray& msg, int offset)
{
    return static_cast<int8_t>(ReadUInt8(msg, offset));
}

uint16_t ReadBigEndianUInt16(const QByteArray& msg, int offset)
{
    return static_cast<uint16_t>(BigEndian(msg, offset, 2));
}

uint32_t MainWindow::GetMotorolaUInt32(const QByteArray& msg, int offset)
{
    return BigEndian(msg, offset, 4);
}

uint32_t MainWindow::GetMotorolaUInt24(const QByteArray& msg, int offset)
{
    return BigEndian(msg, offset, 3);
}

double MainWindow::GetMotorolaUInt24AsDouble(const QByteArray& msg, int offset)
{
    return static_cast<double>(GetMotorolaUInt24(msg, offset));
}

double MainWindow::GetMotorolaSecondsNanoseconds(const QByteArray& msg, int offset)
{
    return ReadBigEndianInt32AsDouble(msg, offset + 1) / 1e9 + ReadInt8(msg, offset);
}

void MainWindow::GpsWeekSecondsToCalendar(unsigned int week, int seconds, uint8_t& second,
                                          uint8_t& minute, uint8_t& hour, uint8_t& day,
                                          uint8_t& month, int& year)
{
    static const int cumulative[2][13] = {
        {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
        {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
    };
    // Days from 1901-01-01 in cycles of four years, one of them a leap year. Whole
    // divisions round down, so a negative second of the week still names a real day.
    constexpr int64_t kSecondsPerDay = 86400;
    const int64_t secondsOfDay = ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    const int64_t dayOfWeek = (seconds - secondsOfDay) / kSecondsPerDay;
    const int64_t days = static_cast<int64_t>(week) * 7 + dayOfWeek + 28859;
    const int64_t r = ((days % 1461) + 1461) % 1461;
    const int64_t yearInCycle = r / 365 - r / 1460;
    const int64_t fullYear = 1901 + 4 * ((days - r) / 1461) + yearInCycle;

    const bool leap = (fullYear % 4 == 0 && fullYear % 100 != 0) || fullYear % 400 == 0;
    const int daysInYear = leap ? 366 : 365;
    const int dayOfYear = std::min(static_cast<int>(r - 365 * yearInCycle + 1), daysInYear);
    const int* const table = cumulative[leap ? 1 : 0];
    int m = 1;
    while (m < 12 && dayOfYear > table[m])
        ++m;

    year = static_cast<int>(fullYear);
    month = static_cast<uint8_t>(m);
    day = static_cast<uint8_t>(dayOfYear - table[m - 1]);
    hour = static_cast<uint8_t>(secondsOfDay / 3600);
    minute = static_cast<uint8_t>((secondsOfDay % 3600) / 60);
    second = static_cast<uint8_t>(secondsOfDay % 60);
}
