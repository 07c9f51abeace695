#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Bytes a device or a remote client sent, made fit to be quoted in the debug log, a
// status note or an echo: a terminal tailing the log must never act on an escape
// sequence that came down a serial line.
namespace PrintableText {

inline bool IsPrintableAscii(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

// The bytes with each one outside printable ASCII shown as "?".
QByteArray Printable(QByteArrayView bytes);

}  // namespace PrintableText
