#include "settingsformat.h"

#include <QDataStream>
#include <QFileDevice>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <algorithm>
#include <optional>
#include <unistd.h>

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsHexDigit(char16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A key or a section name: letters, digits, '_', '-' and '.' as they are, '/' as '\',
// anything else as %XX or %UXXXX.
void AppendKey(const QString& key, QByteArray& out)
{
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
                   || c == '.') {
            out += char(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += kHex[c / 16];
            out += kHex[c % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(c >> shift) & 0xF];
        }
    }
}

// One text, escaped as the reader expects: quoted when it holds ';', ',' or '=' or
// starts or ends with a space. The text of a byte array or a stream is Latin-1 and
// escaped byte by byte; any other goes as UTF-8.
void AppendText(const QString& text, QByteArray& out)
{
    const bool bBytes = text.startsWith(QLatin1String("@ByteArray(")) || text.startsWith(QLatin1String("@Variant("));
    const qsizetype start = out.size();
    bool bQuotes = false;
    // After \x or \0 the reader takes every hex digit that follows as part of the code.
    bool bEscapeHexDigit = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == ';' || c == ',' || c == '=')
            bQuotes = true;
        if (bEscapeHexDigit && IsHexDigit(c)) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        bEscapeHexDigit = false;
        switch (c) {
        case 0: out += "\\0"; bEscapeHexDigit = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c <= 0x1F || c == 0x7F || (c >= 0x80 && bBytes)) {
                out += "\\x" + QByteArray::number(c, 16);
                bEscapeHexDigit = true;
            } else if (c < 0x80) {
                out += char(c);
            } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                out += text.mid(i, 2).toUtf8();
                ++i;
            } else {
                out += QString(QChar(c)).toUtf8();
            }
        }
    }
    if (bQuotes || (out.size() > start && (out.at(start) == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

// A value as text: numbers and switches as their text, a text beginning with '@' with
// one more, byte arrays and anything else in the reader's @-forms.
QString ValueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray:
        return QStringLiteral("@ByteArray(") + QString::fromLatin1(value.toByteArray()) + QLatin1Char(')');
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Float:
    case QMetaType::Double: {
        const QString text = value.toString();
        return text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    }
    default: {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_4_0);
        stream << value;
        return QStringLiteral("@Variant(") + QString::fromLatin1(bytes) + QLatin1Char(')');
    }
    }
}

void AppendValue(const QVariant& value, QByteArray& out)
{
    const int type = value.typeId();
    if (type != QMetaType::QStringList && !(type == QMetaType::QVariantList && value.toList().size() != 1)) {
        AppendText(ValueText(value), out);
        return;
    }
    const QVariantList items = value.toList();
    if (items.isEmpty())
        out += "@Invalid()";
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ", ";
        AppendText(ValueText(items.at(i)), out);
    }
}

// The keys each store held when last read or written whole, by its path.
QMap<QString, QSettings::SettingsMap>& KnownWhole()
{
    static QMap<QString, QSettings::SettingsMap> known;
    return known;
}

// Set while the store could not be read: the keys held are then not all there are, and
// writing them would cut the store.
bool bReadFailed = false;

std::optional<QSettings::SettingsMap> ReadAt(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    const QSettings read(path, QSettings::IniFormat);
    if (read.status() != QSettings::NoError)
        return std::nullopt;
    QSettings::SettingsMap keys;
    for (const QString& key : read.allKeys())
        keys.insert(key, read.value(key));
    return keys;
}

// QSettings's reader takes a path. The path through /proc names the very file open, and
// costs no copy; without /proc, a copy in the temporary folder is read.
bool ReadWhole(QIODevice& device, QSettings::SettingsMap& keys)
{
    auto* file = qobject_cast<QFileDevice*>(&device);
    std::optional<QSettings::SettingsMap> read;
    if (file && file->handle() >= 0)
        read = ReadAt(QStringLiteral("/proc/self/fd/%1").arg(file->handle()));
    if (!read) {
        const QByteArray bytes = device.readAll();
        QTemporaryFile copy;
        if (copy.open() && copy.write(bytes) == bytes.size() && copy.flush())
            read = ReadAt(copy.fileName());
    }
    bReadFailed = !read;
    if (read)
        keys = *read;
    if (read && file)
        KnownWhole().insert(file->fileName(), keys);
    return read.has_value();
}

// A store removed while the program runs leaves QSettings with the keys set since it
// last read the file: written, they would be the whole store. Such a write is refused,
// and the keys held are set again before the next (SettingsStore).
bool CutByRemoval(const QString& path, const QSettings::SettingsMap& keys)
{
    const auto last = KnownWhole().constFind(path);
    if (last == KnownWhole().cend() || QFileInfo::exists(path))
        return false;
    return std::any_of(last->keyBegin(), last->keyEnd(), [&keys](const QString& key) { return !keys.contains(key); });
}

// The copy that QSettings renames over the store once this returns true.
bool WriteWhole(QIODevice& device, const QSettings::SettingsMap& keys)
{
    auto* file = qobject_cast<QFileDevice*>(&device);
    if (bReadFailed || !file || CutByRemoval(file->fileName(), keys))
        return false;
    const QByteArray text = SettingsFormat::Text(keys);
    if (file->write(text) != text.size() || !file->flush())
        return false;
    // What the system says it took may still not be there: read it back from the disk's side.
    QByteArray written(text.size() + 1, '\0');
    if (pread(file->handle(), written.data(), written.size(), 0) != text.size() || written.first(text.size()) != text)
        return false;
    KnownWhole().insert(file->fileName(), keys);
    return true;
}

}  // namespace

namespace SettingsFormat {

QSettings::Format Whole()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("conf"), ReadWhole, WriteWhole);
    return format;
}

QByteArray Text(const QSettings::SettingsMap& keys)
{
    // Grouped by the first part of the key; keys without one under [General].
    QMap<QString, QSettings::SettingsMap> sections;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        sections[section].insert(slash < 0 ? it.key() : it.key().mid(slash + 1), it.value());
    }
    QByteArray out;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        if (!out.isEmpty())
            out += '\n';
        QByteArray name;
        AppendKey(section.key(), name);
        if (name.isEmpty())
            name = "General";
        else if (name.compare("general", Qt::CaseInsensitive) == 0)
            name = "%General";
        out += '[' + name + "]\n";
        for (auto it = section->cbegin(); it != section->cend(); ++it) {
            AppendKey(it.key(), out);
            out += '=';
            AppendValue(it.value(), out);
            out += '\n';
        }
    }
    return out;
}

}  // namespace SettingsFormat
