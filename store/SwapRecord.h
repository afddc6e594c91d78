#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

namespace Project {

// The intent record of a workspace swap, kept in the folder from before the first file is moved until the
// swap is finished or undone, so that a swap cut short can be finished or undone at the next start.
struct SwapRecord {
    enum class Direction { Forward, Back };
    Direction direction = Direction::Forward;
    // The "*.txt" files the swap replaces, and the files it puts in their place.
    QStringList oldNames;
    QStringList newNames;

    static QString pathIn(const QString& folder);
    // FileNotFound (PathNotFound without the folder) when there is no record.
    static Result<SwapRecord> read(const QString& folder);
    Status write(const QString& folder) const;
    static Status remove(const QString& folder);
};

} // namespace Project
