#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QString>

// Logix tags as CIP symbolic paths, and the tag services that take them.
namespace LogixTag {

inline constexpr quint8 ReadTag = 0x4C;
inline constexpr quint8 WriteTag = 0x4D;
inline constexpr quint8 ReadModifyWrite = 0x4E;

struct Ref {
    QByteArray path; // ANSI extended symbolic segments with element segments
    int bit = -1;    // "Flags.31": a bit of the integer the path names
};
// "Tank_Level", "Program:MainProgram.Pump_Speed", "Grid[1,2]", "Motor.Status", "Flags.31".
Result<Ref> parse(const QString& item);

QByteArray read(const QByteArray& path);
QByteArray write(const QByteArray& path, const QByteArray& type, const QByteArray& data);
// Sets or clears one bit of an integer of `width` bytes, leaving its neighbours to the controller.
QByteArray writeBit(const QByteArray& path, int width, int bit, bool on);

} // namespace LogixTag
