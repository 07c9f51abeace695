#include "angletexts.h"

#include "positiontexts.h"

#include <QRegularExpression>

namespace {

constexpr int kDegreeSign = 0xB0;

void Report(const AngleTexts::MessageSink& messages, const char* title, const char* text)
{
    if (messages)
        messages(QString::fromUtf8(title), QString::fromUtf8(text));
}

// Marks a formatted angle writes after its last number.
bool IsAngleMark(QChar c)
{
    return c == QChar(kDegreeSign) || c == QLatin1Char('\'') || c == QLatin1Char('"') || c.isSpace();
}

}  // namespace

namespace AngleTexts {

bool ParseAngle(const QString& text, double* angle, int axis, const MessageSink& messages)
{
    if (text.isEmpty())
        return false;
    const QString upper = text.trimmed().toUpper();
    // Blanks only are no angle, as an empty field is none.
    if (upper.isEmpty())
        return false;
    const QChar signChar = upper.front();

    static const QRegularExpression number(QStringLiteral("[-+]?[0-9]*\\.?[0-9]+"));
    QString fieldText[3];
    double field[3] = {0.0, 0.0, 0.0};
    int fields = 0;
    qsizetype end = 0;
    for (auto it = number.globalMatch(upper); it.hasNext() && fields < 3; ++fields) {
        const QRegularExpressionMatch match = it.next();
        fieldText[fields] = match.captured(0);
        field[fields] = fieldText[fields].toDouble();
        end = match.capturedEnd(0);
    }

    bool failed = false;
    if (fields >= 2 && (field[1] < 0.0 || field[1] >= 60.0)) {
        Report(messages, "Numeric Error", "Minutes field out of range.\nDegrees must be between 0.0 and 60.0");
        failed = true;
    }
    if (fields >= 3 && (field[2] < 0.0 || field[2] >= 60.0)) {
        Report(messages, "Numeric Error", "Seconds field out of range.\nDegrees must be between  0.0 and 60.0");
        failed = true;
    }

    // The marks of a formatted angle may stand before a hemisphere letter, as in 12°30'S.
    QString rest = upper.mid(end);
    qsizetype skip = 0;
    while (skip < rest.size() && IsAngleMark(rest.at(skip)))
        ++skip;
    rest = rest.mid(skip);
    bool bSouthOrWest = false;
    if (fields == 0) {
        // A letter or a mark without a number would give 0 degrees, a place in the sea.
        Report(messages, "Format Error", "Unknown characters at end of field.");
        failed = true;
    } else if (!rest.isEmpty()) {
        const QChar letter = rest.front();
        if (QStringLiteral("NSEW").contains(letter)) {
            if (field[0] < 0.0) {
                Report(messages, "Numeric Error",
                       "Do not use both the \"-\" sign and N, S, E, or W indicators.");
                failed = true;
            }
            bSouthOrWest = letter == QLatin1Char('S') || letter == QLatin1Char('W');
        } else {
            Report(messages, "Format Error", "Unknown characters at end of field.");
            failed = true;
        }
    }

    const bool pointInDegrees = fieldText[0].contains(QLatin1Char('.'));
    if ((fields >= 3 && (pointInDegrees || fieldText[1].contains(QLatin1Char('.'))))
        || (fields == 2 && pointInDegrees)) {
        Report(messages, "Format Error", "Only the last field may have a fractional part.");
        failed = true;
    }
    if (failed) {
        *angle = 0.0;
        return false;
    }

    if (field[0] < 0.0) {
        field[1] = -field[1];
        field[2] = -field[2];
    }
    double value = field[0] + (field[1] + field[2] / 60.0) / 60.0;
    // Also gives 0 degrees its sign: "-0 30" and "0 30 S" are south.
    if (value > 0.0 && (signChar == QLatin1Char('-') || bSouthOrWest))
        value = -value;
    *angle = value;

    // The negated comparison also refuses a NaN.
    if (axis == Latitude && !(value >= -90.0 && value <= 90.0)) {
        Report(messages, "Numeric Error", "Degrees field out of range.\nDegrees must be between -90.0 and +90.0");
        return false;
    }
    if (axis != Latitude && !(value >= -180.0 && value <= 180.0)) {
        Report(messages, "Numeric Error",
               "Degrees field out of range.\nDegrees must be between -180.0 and +180.0");
        return false;
    }
    return true;
}

bool ValidateAltitude(const QString& text, double* altitude, const MessageSink& messages)
{
    static const QRegularExpression number(
        QStringLiteral("(^|[ \\t])(\\?\\?\\?|[-+]?([0-9]+\\.[0-9]*|\\.[0-9]+|[0-9]+))"));
    QString rest = text.trimmed();
    const QRegularExpressionMatch match = number.match(rest);
    QString taken;
    if (match.hasMatch()) {
        taken = match.captured(0).trimmed();
        rest = rest.mid(match.capturedEnd(0));
    }
    // "???" stands for an altitude not known yet, read as 0.
    *altitude = taken == QLatin1String("???") ? 0.0 : taken.toDouble();

    if (!rest.trimmed().isEmpty()) {
        Report(messages, "Extraineous characters in Altitude.",
               "Only the following characters are allowed: \"+-1234567890.\"");
        return false;
    }
    if (!(*altitude >= -500.0 && *altitude <= 18000.0)) {
        Report(messages, "Numeric Error", "Field is out of range.\nMust be between -500 and 18000");
        return false;
    }
    return match.hasMatch();
}

QString FormatAngle(double angle, int format)
{
    if (format == 0)
        return QString::asprintf("%9.7f%c", angle, kDegreeSign);
    if (format == 1) {
        const PositionTexts::AngleParts parts = PositionTexts::DegreesMinutes(angle, 5);
        return QString::fromLatin1(parts.minusPrefix)
            + QString::asprintf("%2.2d%c  %8.5f'", parts.degrees, kDegreeSign, parts.minutes);
    }
    const PositionTexts::AngleParts parts = PositionTexts::DegreesMinutesSeconds(angle, 4);
    return QString::fromLatin1(parts.minusPrefix)
        + QString::asprintf("%2.2d%c  %3d'  %7.4f\"", parts.degrees, kDegreeSign, parts.wholeMinutes,
                            parts.seconds);
}

QString FormatAltitude(double metres)
{
    return QString::asprintf("%04.2f", metres);
}

}  // namespace AngleTexts
