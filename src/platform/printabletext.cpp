#include "printabletext.h"

QByteArray PrintableText::Printable(QByteArrayView bytes)
{
    QByteArray text(bytes.data(), bytes.size());
    for (char& c : text) {
        if (!IsPrintableAscii(static_cast<unsigned char>(c)))
            c = '?';
    }
    return text;
}
