#pragma once

#include <QByteArrayView>
#include <QString>

class ImportFrame;

// What one line of an export may ask of an import. Every part of an address or member path becomes a node
// whose text repeats the parts before it, so a line costs the square of its parts: a few kilobytes of
// addresses with thousands of parts would cost gigabytes. Real addresses have a handful of parts and
// member paths rarely a dozen.
namespace ImportLimits {

inline constexpr int MaxParts = 32;

// Where a line's path stands: its comma-separated field, the characters it is cut in front of, and what it
// is called in the message.
struct PathField {
    int field;
    QByteArrayView separators;
    const char* name;
};

// The parts of the path field of a comma-separated line.
int partsOf(QByteArrayView csvLine, const PathField& path);

// True when a line of the export (number is 1-based) can be staged. A line longer than the field routines
// take, or whose path has more than MaxParts parts, is left out and reported once under "Step 1" with
// the export's name and the line; a line that fits is noted with the frame (ImportFrame::keepLine).
bool fits(ImportFrame& frame, QByteArrayView line, int number, const PathField& path);

} // namespace ImportLimits
