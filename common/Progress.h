#pragma once

#include <QString>

// What a long operation reports while it runs; the utility window's progress frame shows it,
// converters and tests may record it instead.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void caption(const QString& text) = 0;
    // 0 to 100; values outside are clamped by the receiver.
    virtual void percent(int value) = 0;
};
