#include "storedvalues.h"

#include <QSet>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace {

// The stored value as a finite double. QString::toDouble takes "nan" and "inf" as
// numbers, and an overflow such as "1e999" as an infinity.
std::optional<double> FiniteValue(const QSettings& settings, const QString& key)
{
    bool ok = false;
    const double value = settings.value(key).toString().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The stored value as a 64-bit integer. QVariant::toInt would wrap a text beyond the
// int range without a word ("99999999999" reads as 1215752191), so the reads go wide.
std::optional<qint64> WholeValue(const QSettings& settings, const QString& key)
{
    bool ok = false;
    const qint64 value = settings.value(key).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// A stored text as the debug log shows it: a hand edit may have left control
// characters, or a text of any length.
QString Shown(const QVariant& stored)
{
    constexpr qsizetype kLongest = 200;
    const QString text = stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(QStringLiteral(", "))
                                                                  : stored.toString();
    QString shown;
    for (const QChar c : text.left(kLongest)) {
        if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return text.size() > kLongest ? shown + QChar(0x2026) : shown;
}

}  // namespace

namespace StoredValues {

namespace {

// The refused values said in this run.
QSet<QString>& Said()
{
    static QSet<QString> said;
    return said;
}

}  // namespace

// The loaders read some keys again and again (a serial port's at each try to open
// it): a refused value is said the first time only.
void SayRefused(const QSettings& settings, const QString& key, const QString& used)
{
    QSet<QString>& said = Said();
    const QString line = key + QLatin1Char('=') + Shown(settings.value(key));
    if (said.contains(line))
        return;
    said.insert(line);
    qInfo("Stored setting refused: %s (%s used instead)", qPrintable(line), qPrintable(used));
}

double Real(QSettings& settings, const QString& key, double absent, double low, double high, double repair,
            const char* form)
{
    if (!settings.contains(key))
        return absent;
    const std::optional<double> value = FiniteValue(settings, key);
    if (value && *value >= low && *value <= high)
        return *value;
    SayRefused(settings, key, QString::number(repair));
    if (form)
        settings.setValue(key, QString::asprintf(form, repair));
    return repair;
}

qint64 Wide(QSettings& settings, const QString& key, qint64 absent, qint64 low, qint64 high, qint64 repair,
            Repair writeBack)
{
    if (!settings.contains(key)) {
        if (writeBack == Repair::Complete)
            settings.setValue(key, absent);
        return absent;
    }
    const std::optional<qint64> value = WholeValue(settings, key);
    if (value && *value >= low && *value <= high)
        return *value;
    SayRefused(settings, key, QString::number(repair));
    if (writeBack != Repair::Silent)
        settings.setValue(key, repair);
    return repair;
}

int Integer(QSettings& settings, const QString& key, int absent, int low, int high, int repair, Repair writeBack)
{
    return static_cast<int>(Wide(settings, key, absent, low, high, repair, writeBack));
}

double Real(const QSettings& settings, const QString& key, double absent)
{
    const std::optional<double> value = FiniteValue(settings, key);
    if (value)
        return *value;
    if (settings.contains(key))
        SayRefused(settings, key, QString::number(absent));
    return absent;
}

int Integer(const QSettings& settings, const QString& key, int absent)
{
    const std::optional<qint64> value = WholeValue(settings, key);
    if (value && *value >= INT_MIN && *value <= INT_MAX)
        return static_cast<int>(*value);
    if (settings.contains(key))
        SayRefused(settings, key, QString::number(absent));
    return absent;
}

bool Switch(QSettings& settings, const QString& key, bool absent, Repair writeBack)
{
    if (!settings.contains(key)) {
        if (writeBack == Repair::Complete)
            settings.setValue(key, absent);
        return absent;
    }
    // A switch set earlier in this run comes back as a bool, whose text is "true" or "false".
    const QString text = settings.value(key).toString();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    SayRefused(settings, key, QVariant(absent).toString());
    if (writeBack != Repair::Silent)
        settings.setValue(key, absent);
    return absent;
}

void ForgetRefusals()
{
    Said().clear();
}

bool IsUsableName(const QString& name)
{
    return !name.isEmpty()
           && std::none_of(name.cbegin(), name.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

QString Name(QSettings& settings, const QString& key, const QString& absent)
{
    if (!settings.contains(key))
        return absent;
    // A hand-edited "a, b" comes back as a list, whose text is empty.
    const QString name = settings.value(key).toString();
    if (IsUsableName(name))
        return name;
    SayRefused(settings, key, absent);
    settings.setValue(key, absent);
    return absent;
}

}  // namespace StoredValues
