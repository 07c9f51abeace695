#include "logfilenames.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

namespace LogFileNames {

namespace {

constexpr const char* kGpsLogTypeNames[] = {"RAW", "BINARY", "PVT", "NMEA", "RINEX"};
constexpr const char* kGpsLogExtensions[] = {".txt", ".bin", ".csv", ".txt", ".bin"};
constexpr const char* kTicLogExtensions[] = {".prn", ".csv", ".txt"};
constexpr int kGpsLogEverySeconds[kGpsLogEveryCount] = {1, 2, 5, 10, 15, 30, 60, 300, 600, 900, 1800, 3600};

int ValidGpsLogType(int type)
{
    return type >= 0 && type < int(std::size(kGpsLogTypeNames)) ? type : GpsLogRaw;
}

}  // namespace

QString GpsLogTypeName(int type)
{
    return QLatin1String(kGpsLogTypeNames[ValidGpsLogType(type)]);
}

QString GpsLogExtension(int type)
{
    return QLatin1String(kGpsLogExtensions[ValidGpsLogType(type)]);
}

QString TicLogExtension(int style)
{
    return QLatin1String(style >= 0 && style < int(std::size(kTicLogExtensions)) ? kTicLogExtensions[style]
                                                                                  : kTicLogExtensions[1]);
}

int ValidGpsLogEveryIndex(int everyIndex)
{
    return everyIndex >= 0 && everyIndex < kGpsLogEveryCount ? everyIndex : 0;
}

int GpsLogPeriodSeconds(int everyIndex)
{
    return kGpsLogEverySeconds[ValidGpsLogEveryIndex(everyIndex)];
}

bool IsLoggedSecond(const QTime& time, int periodSeconds)
{
    if (!time.isValid() || periodSeconds < 1)
        return false;
    return time.msecsSinceStartOfDay() / 1000 % periodSeconds == 0;
}

bool IsValidPrefix(const QString& prefix)
{
    static const QRegularExpression pattern(QStringLiteral("\\A(?!-)[A-Za-z0-9_-]{0,32}\\z"));
    return pattern.match(prefix).hasMatch();
}

QString DayStem(const QString& prefix, const QDate& day)
{
    return prefix + QString::asprintf("%04d%03d", day.year(), day.dayOfYear());
}

QString PathInFolder(const QString& folder, const QString& fileName)
{
    if (folder.isEmpty() || fileName.isEmpty())
        return QString();
    const QString base = QDir::cleanPath(QDir(folder).absolutePath());
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + fileName);
    // The file must sit directly in the folder: no separator or ".." may lead elsewhere.
    if (QFileInfo(path).absolutePath() != base || QFileInfo(path).fileName() != fileName)
        return QString();
    return path;
}

QString GpsLogPath(const QString& folder, const QString& prefix, int type, const QDate& day)
{
    if (!IsValidPrefix(prefix) || !day.isValid())
        return QString();
    return PathInFolder(folder, DayStem(prefix, day) + GpsLogExtension(type));
}

QString TicLogPath(const QString& folder, const QString& prefix, int style, const QDate& day, QChar kind,
                   int port)
{
    if (!IsValidPrefix(prefix) || !day.isValid())
        return QString();
    QString name = DayStem(prefix, day) + kind;
    if (kind != QLatin1Char('C')) {
        if (port < 1 || port > 8)
            return QString();
        name += QString::number(port);
    }
    return PathInFolder(folder, name + TicLogExtension(style));
}

QString DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Horalux");
}

QString PrefixRefusedText(const QString& prefix)
{
    return QStringLiteral("The file name prefix \"%1\" is refused: it may hold only letters, digits, "
                          "'_' and '-', at most 32 characters, and may not start with '-'.")
        .arg(prefix);
}

QDateTime LogClock(const QDateTime& receiverTime, bool bReceiverTimeFresh, const QDateTime& pcUtc)
{
    if (bReceiverTimeFresh && receiverTime.isValid())
        return receiverTime.toUTC();
    return pcUtc.toUTC();
}

}  // namespace LogFileNames
