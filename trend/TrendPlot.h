#pragma once

#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

class QFontMetrics;
class QPainter;
class TrendModel;
struct TrendPen;

// Draws a trend with QPainter: the legend with the cursor's readout, one value axis per pen or one shared,
// the time axis, gaps as hatched bands and the lines. Used by the window and, into an image, by the bench.
namespace TrendPlot {

struct Options {
    bool sharedAxis = false;
    std::optional<std::int64_t> cursorMs;
    // Shown in the middle where no pen has a value.
    QString emptyText;
};

// Where the lines go inside area.
QRect plotArea(const QRect& area, const QFontMetrics& metrics, int penCount, bool sharedAxis);
// Decimates the model to the plot's width where needed, then draws.
void draw(QPainter& painter, const QRect& area, TrendModel& model, const Options& options);
// The pen's value at a time: the number, the text, the reason of a gap, or "no value".
QString readout(TrendModel& model, const TrendPen& pen, std::int64_t timeMs);
// A pen's legend: the label, shortened where the line is too narrow, then the cursor's reading whole.
QString legendEntry(const QString& label, const QString& reading, const QFontMetrics& metrics, int width);
// "yyyy-MM-dd HH:mm:ss.zzz" in local time.
QString localTime(std::int64_t utcMs);

} // namespace TrendPlot
