// The settings store's text, made and read in memory. QSettings writes its ini text only
// into a file with a lock file beside it, in a folder it can write, and syncs both to the
// disk: the text is made here as its writer makes it, byte for byte, and read back by its
// own reader from an anonymous file in memory, which it reaches through /proc; without
// /proc, from a copy beside the store, removed at once.

#include "settingsformat.h"

#include <QDataStream>
#include <QFileInfo>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <functional>
#include <sys/mman.h>
#include <unistd.h>

namespace {

char Hex(uint digit)
{
    return "0123456789ABCDEF"[digit & 0xF];
}

// A key or section name: letters, digits, '_', '-' and '.' as they are, '/' as '\', any
// other character as %XX or %UXXXX.
void AppendKey(const QString& key, QByteArray& out)
{
    for (const QChar qc : key) {
        const uint c = qc.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
                   || c == '.') {
            out += char(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += Hex(c >> 4);
            out += Hex(c);
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += Hex(c >> shift);
        }
    }
}

// A value's text: control characters escaped, quoted where a ',', ';' or '=' would split
// it or a blank at either end would be lost. The text of bytes or of a streamed value
// keeps its characters below 256 as single bytes.
void AppendText(const QString& text, QByteArray& out)
{
    const bool bUtf8 = !(text.startsWith(QLatin1String("@ByteArray(")) || text.startsWith(QLatin1String("@Variant("))
                         || text.startsWith(QLatin1String("@DateTime(")));
    // One encoder for the text, as QSettings's: half a surrogate pair waits in it for the
    // next character it is given, which is then written after U+FFFD when it is no other
    // half; one at the end is lost.
    QStringEncoder toUtf8(QStringEncoder::Utf8);
    bool bHalfWaits = false;
    const qsizetype start = out.size();
    bool bQuoted = false;
    bool bEscapeHexDigit = false;  // after \0 or \xNN, a hex digit would join the escape
    for (const QChar qc : text) {
        const uint c = qc.unicode();
        if (c == ';' || c == ',' || c == '=')
            bQuoted = true;
        if (bEscapeHexDigit && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        bEscapeHexDigit = false;
        switch (c) {
        case '\0': out += "\\0"; bEscapeHexDigit = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(c);
            break;
        default:
            if (c <= 0x1F || (c >= 0x7F && !bUtf8)) {
                out += "\\x" + QByteArray::number(c, 16);
                bEscapeHexDigit = true;
            } else if (bUtf8 && (c >= 0x80 || bHalfWaits)) {
                out += toUtf8(QStringView(&qc, 1));
                bHalfWaits = qc.isHighSurrogate();
            } else {
                out += char(c);
            }
        }
    }
    if (bQuoted || (start < out.size() && (out.at(start) == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

QString ValueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return QLatin1String("@ByteArray(") + QLatin1String(bytes.constData(), bytes.size()) + QLatin1Char(')');
    }
    case QMetaType::QKeySequence:
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Float:
    case QMetaType::Double: {
        const QString text = value.toString();
        if (text.contains(QChar::Null))
            return QLatin1String("@String(") + text + QLatin1Char(')');
        return text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    }
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return QString::asprintf("@Rect(%d %d %d %d)", r.x(), r.y(), r.width(), r.height());
    }
    case QMetaType::QSize: {
        const QSize s = value.toSize();
        return QString::asprintf("@Size(%d %d)", s.width(), s.height());
    }
    case QMetaType::QPoint: {
        const QPoint p = value.toPoint();
        return QString::asprintf("@Point(%d %d)", p.x(), p.y());
    }
    default: {
        const bool bDateTime = value.typeId() == QMetaType::QDateTime;
        QByteArray bytes;
        {
            QDataStream stream(&bytes, QIODevice::WriteOnly);
            stream.setVersion(bDateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
            stream << value;
        }
        return QLatin1String(bDateTime ? "@DateTime(" : "@Variant(") + QLatin1String(bytes.constData(), bytes.size())
               + QLatin1Char(')');
    }
    }
}

void AppendValue(const QVariant& value, QByteArray& out)
{
    // A list of one item other than a string list is written as its item.
    const bool bList = value.typeId() == QMetaType::QStringList
                       || (value.typeId() == QMetaType::QVariantList && value.toList().size() != 1);
    if (!bList) {
        AppendText(ValueText(value), out);
        return;
    }
    const QVariantList items = value.toList();
    if (items.isEmpty())
        out += "@Invalid()";
    for (qsizetype n = 0; n < items.size(); ++n) {
        if (n != 0)
            out += ", ";
        AppendText(ValueText(items.at(n)), out);
    }
}

// Equal values of one type: QVariant takes true for 1, whose text differs.
bool SameValues(const QSettings::SettingsMap& a, const QSettings::SettingsMap& b)
{
    if (a.size() != b.size())
        return false;
    for (auto ia = a.cbegin(), ib = b.cbegin(); ia != a.cend(); ++ia, ++ib) {
        if (ia.key() != ib.key() || ia->typeId() != ib->typeId() || *ia != *ib)
            return false;
    }
    return true;
}

// An anonymous file in memory holding text; -1 with errno set when none could be had.
int MemoryFile(const QByteArray& text)
{
    const int fd = memfd_create("horalux-settings", MFD_CLOEXEC);
    for (qsizetype done = 0; fd >= 0 && done < text.size();) {
        const ssize_t n = write(fd, text.constData() + done, size_t(text.size() - done));
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            close(fd);
            errno = error;
            return -1;
        }
        done += n;
    }
    return fd;
}

// The keys QSettings's ini reader reads from the file at path. QSettings keeps what it
// read of a path, and trusts it while the file there has the same size and time; the
// next file read may get the same name, and the same time. Emptied (empty) and read
// again, the path is forgotten when the reader goes.
std::optional<QSettings::SettingsMap> ReadAt(const QString& path, const std::function<bool()>& empty, QString* why)
{
    std::optional<QSettings::SettingsMap> keys;
    QSettings read(path, QSettings::IniFormat);
    if (read.status() != QSettings::NoError)
        *why = QStringLiteral("its text is not in the settings form");
    else
        keys.emplace();
    for (const QString& key : keys ? read.allKeys() : QStringList())
        keys->insert(key, read.value(key));
    if (empty())
        read.sync();
    return keys;
}

}  // namespace

namespace SettingsFormat {

QByteArray IniText(const QSettings::SettingsMap& keys)
{
    // A save makes the text once to see whether the store holds it, and QSettings asks
    // for it again to write it.
    static QSettings::SettingsMap lastKeys;
    static QByteArray lastText;
    if (!lastText.isEmpty() && SameValues(keys, lastKeys))
        return lastText;
    // One section per part before the first '/' (none: [General]), in the order of their
    // names, and a blank line between two.
    QMap<QString, QSettings::SettingsMap> sections;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        sections[slash < 0 ? QString() : it.key().left(slash)].insert(slash < 0 ? it.key() : it.key().mid(slash + 1),
                                                                       it.value());
    }
    QByteArray text;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        if (section != sections.cbegin())
            text += '\n';
        QByteArray name;
        AppendKey(section.key(), name);
        if (name.isEmpty())
            text += "[General]\n";
        else if (name.compare("general", Qt::CaseInsensitive) == 0)
            text += "[%General]\n";
        else
            text += '[' + name + "]\n";
        for (auto it = section->cbegin(); it != section->cend(); ++it) {
            AppendKey(it.key(), text);
            text += '=';
            AppendValue(it.value(), text);
            text += '\n';
        }
    }
    lastKeys = keys;
    lastText = text;
    return text;
}

std::optional<QSettings::SettingsMap> ReadText(const QByteArray& text, const QString& store, QString* why)
{
    const int fd = MemoryFile(text);
    const QString path = fd < 0 ? QString() : InMemoryPath(fd);
    std::optional<QSettings::SettingsMap> keys;
    if (fd >= 0 && QFileInfo(path).size() == text.size()) {
        keys = ReadAt(path, [fd] { return ftruncate(fd, 0) == 0; }, why);
        close(fd);
        return keys;
    }
    const QString inMemory = fd < 0 ? qt_error_string(errno) : QStringLiteral("/proc cannot reach a file in memory");
    if (fd >= 0)
        close(fd);
    QTemporaryFile copy(store + QStringLiteral(".read-XXXXXX"));
    if (!copy.open() || copy.write(text) != text.size() || !copy.flush()) {
        *why = QStringLiteral("%1, nor can a copy be made beside it: %2").arg(inMemory, copy.errorString());
        return std::nullopt;
    }
    return ReadAt(copy.fileName(), [&copy] { return copy.resize(0); }, why);
}

QString (*InMemoryPath)(int fd) = [](int fd) { return QStringLiteral("/proc/self/fd/%1").arg(fd); };

}  // namespace SettingsFormat
