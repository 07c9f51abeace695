// The settings store's text, made and read in memory. QSettings writes its ini text only
// into a file with a lock file beside it, in a folder it can write, and syncs both to the
// disk: the text is made here as its writer makes it, byte for byte, and read back by its
// own reader from an anonymous file in memory, which it reaches through /proc.

#include "settingsformat.h"

#include <QDataStream>
#include <QFileInfo>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringEncoder>
#include <QStringList>

#include <cerrno>
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
    QStringEncoder toUtf8(QStringEncoder::Utf8);
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
            } else if (bUtf8 && c >= 0x80) {
                out += toUtf8(QStringView(&qc, 1));
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

std::optional<QSettings::SettingsMap> ReadText(const QByteArray& text, QString* why)
{
    const int fd = MemoryFile(text);
    if (fd < 0) {
        *why = qt_error_string(errno);
        return std::nullopt;
    }
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    std::optional<QSettings::SettingsMap> keys;
    {
        QSettings read(path, QSettings::IniFormat);
        if (QFileInfo(path).size() != text.size())
            *why = QStringLiteral("/proc cannot reach a file in memory");
        else if (read.status() != QSettings::NoError)
            *why = QStringLiteral("its text is not in the settings form");
        else
            keys.emplace();
        for (const QString& key : keys ? read.allKeys() : QStringList())
            keys->insert(key, read.value(key));
        // QSettings keeps what it read of a path, and trusts it while the file there has
        // the same size and time; the next file in memory may get the same number, and
        // the same time. Emptied and read again, the path is forgotten when read goes.
        if (ftruncate(fd, 0) == 0)
            read.sync();
    }
    close(fd);
    return keys;
}

}  // namespace SettingsFormat
