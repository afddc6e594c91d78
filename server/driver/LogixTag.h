#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QString>

// Logix tags as CIP symbolic paths, and the tag services that take them.
namespace LogixTag {

inline constexpr quint8 ReadTag = 0x4C;
inline constexpr quint8 WriteTag = 0x4D;
inline constexpr quint8 ReadModifyWrite = 0x4E;
inline constexpr quint8 ReadTagFragmented = 0x52;

struct Ref {
    QByteArray path; // ANSI extended symbolic segments with element segments
    int bit = -1;    // "Flags.31": a bit of the integer the path names
    // An element of a one-dimensional array ("Counts[3]", "Counts[3].5"): the array's path and the index.
    QByteArray array;
    quint32 index = 0;
};
// "Tank_Level", "Program:MainProgram.Pump_Speed", "Grid[1,2]", "Motor.Status", "Flags.31".
Result<Ref> parse(const QString& item);

// Reads `count` elements from the one the path names.
QByteArray read(const QByteArray& path, quint16 count = 1);
// Goes on with a read whose reply did not fit, from `offset` bytes into its data.
QByteArray readFragment(const QByteArray& path, quint16 count, quint32 offset);
// The path of an element of the array at `array`.
QByteArray elementOf(const QByteArray& array, quint32 index);
QByteArray write(const QByteArray& path, const QByteArray& type, const QByteArray& data);
// Sets or clears one bit of an integer of `width` bytes, leaving its neighbours to the controller.
QByteArray writeBit(const QByteArray& path, int width, int bit, bool on);

} // namespace LogixTag
