#pragma once

#include <QByteArray>
#include <cstdint>

// Numeric fields of received binary messages. The offset counts from the first byte of
// the frame. A field that does not lie wholly inside the message reads as 0: received
// bytes are never trusted to be as long as their id promises.

// Big-endian 32 bits as a signed (two's complement) number.
double ReadBigEndianInt32AsDouble(const QByteArray& msg, int offset);
// Little-endian 32 bits, unsigned.
uint32_t ReadLittleEndianUInt32(const QByteArray& msg, int offset);

// Single bytes and big-endian 16 bits.
uint8_t ReadUInt8(const QByteArray& msg, int offset);
int8_t ReadInt8(const QByteArray& msg, int offset);
uint16_t ReadBigEndianUInt16(const QByteArray& msg, int offset);

// Whether the field of the given width lies wholly inside the message.
bool FieldInside(const QByteArray& msg, int offset, int width);
