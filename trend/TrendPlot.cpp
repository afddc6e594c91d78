#include "TrendPlot.h"

#include "Readout.h"
#include "TimeText.h"
#include "TrendModel.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <vector>

using namespace history::trend;

namespace {

constexpr int Margin = 6;
constexpr int LegendColumns = 2;
constexpr int AxisTicks = 6;

int axisWidth(const QFontMetrics& metrics)
{
    return metrics.horizontalAdvance(QStringLiteral("-00000.00")) + 8;
}

int legendHeight(const QFontMetrics& metrics, int penCount)
{
    const int rows = 1 + (std::max(penCount, 1) + LegendColumns - 1) / LegendColumns;
    return rows * (metrics.height() + 2) + Margin;
}

std::int64_t utcOffsetMs(std::int64_t utcMs)
{
    return std::int64_t(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
}

// Maps times and values of one window onto the plot.
struct Scale {
    QRect plot;
    TimeWindow window;
    double x(std::int64_t t) const
    {
        return plot.left() +
               double(t - window.fromMs) * plot.width() / double(std::max<std::int64_t>(1, window.span()));
    }
    double y(double value, const ValueRange& range) const
    {
        return plot.bottom() - (value - range.low) * plot.height() / (range.high - range.low);
    }
};

bool hasValues(const TrendPen& pen)
{
    return pen.shown.low <= pen.shown.high;
}

ValueRange axisRange(const std::vector<TrendPen>& pens, int pen, bool shared)
{
    bool any = false;
    ValueRange all{0, 1};
    for (int i = 0; i < int(pens.size()); ++i) {
        if ((!shared && i != pen) || !hasValues(pens[size_t(i)]))
            continue;
        const ValueRange& r = pens[size_t(i)].shown;
        all = any ? ValueRange{std::min(all.low, r.low), std::max(all.high, r.high)} : r;
        any = true;
    }
    // A little room, so a line at the lowest or highest value (a bit's 0 and 1) is not hidden by the frame.
    const double room = (all.high - all.low) * 0.04;
    return niceRange(all.low - room, all.high + room, AxisTicks);
}

void drawTimeAxis(QPainter& p, const Scale& s, const QFontMetrics& metrics)
{
    const std::int64_t step = timeStep(s.window.span(), std::max(2, s.plot.width() / 90));
    for (std::int64_t t : timeTicks(s.window.fromMs, s.window.toMs, step, utcOffsetMs)) {
        const int x = int(s.x(t));
        p.setPen(QColor(225, 225, 225));
        p.drawLine(x, s.plot.top(), x, s.plot.bottom());
        p.setPen(Qt::black);
        p.drawLine(x, s.plot.bottom(), x, s.plot.bottom() + 3);
        const QString label = QString::fromStdString(tickLabel(t + utcOffsetMs(t), step));
        const int w = metrics.horizontalAdvance(label);
        p.drawText(std::clamp(x - w / 2, s.plot.left() - Margin, s.plot.right() - w + Margin),
                   s.plot.bottom() + 4 + metrics.ascent(), label);
    }
}

// One value axis left of the plot; the first also lays the plot's horizontal grid.
void drawValueAxis(QPainter& p, const Scale& s, const ValueRange& range, int right, const QColor& colour,
                   bool grid, const QFontMetrics& metrics)
{
    const double step = niceStep(range.high - range.low, AxisTicks);
    p.setPen(colour);
    p.drawLine(right, s.plot.top(), right, s.plot.bottom());
    for (double v : valueTicks(range, AxisTicks)) {
        const int y = int(s.y(v, range));
        if (grid) {
            p.setPen(QColor(225, 225, 225));
            p.drawLine(s.plot.left() + 1, y, s.plot.right(), y);
            p.setPen(colour);
        }
        p.drawLine(right - 3, y, right, y);
        const QString label = QString::fromStdString(valueLabel(v, step));
        p.drawText(right - 5 - metrics.horizontalAdvance(label), y + metrics.ascent() / 2 - 1, label);
    }
}

void drawGaps(QPainter& p, const Scale& s, const TrendPen& pen)
{
    QColor band = pen.colour;
    band.setAlpha(25);
    for (const Gap& gap : pen.trace.gaps) {
        const double x1 = s.x(gap.fromMs);
        const QRectF r(x1, s.plot.top(), std::max(1.0, s.x(gap.toMs) - x1), s.plot.height());
        p.fillRect(r, band);
        p.fillRect(r, QBrush(pen.colour, Qt::BDiagPattern));
    }
}

void drawLine(QPainter& p, const Scale& s, const TrendPen& pen, const ValueRange& range)
{
    // A one-pixel pen: steps are level and upright, and wider lines go through the stroker, a hundred times
    // slower.
    p.setPen(QPen(pen.colour, 0));
    QPolygonF line;
    for (const Segment& segment : pen.trace.segments) {
        line.clear();
        for (const Bucket& b : segment) {
            const double x = s.plot.left() + b.column + 0.5;
            line << QPointF(x, s.y(b.first, range));
            if (b.low != b.high)
                line << QPointF(x, s.y(b.low, range)) << QPointF(x, s.y(b.high, range));
            line << QPointF(x, s.y(b.last, range));
        }
        p.drawPolyline(line);
    }
}

void drawLegend(QPainter& p, const QRect& area, TrendModel& model, const TrendPlot::Options& o,
                const QFontMetrics& metrics)
{
    const int line = metrics.height() + 2;
    int y = area.top() + Margin / 2 + metrics.ascent();
    p.setPen(Qt::black);
    p.drawText(area.left() + Margin, y,
               o.cursorMs ? QStringLiteral("Cursor: ") + TrendPlot::localTime(*o.cursorMs)
                          : QStringLiteral("%1 to %2")
                                .arg(TrendPlot::localTime(model.window().fromMs).left(19),
                                     TrendPlot::localTime(model.window().toMs).left(19)));
    const int columnWidth = (area.width() - 2 * Margin) / LegendColumns;
    const auto& pens = model.pens();
    for (int i = 0; i < int(pens.size()); ++i) {
        const TrendPen& pen = pens[size_t(i)];
        const int x = area.left() + Margin + (i % LegendColumns) * columnWidth;
        const int baseline = y + line * (1 + i / LegendColumns);
        p.fillRect(x, baseline - metrics.ascent() + 2, 12, metrics.ascent() - 3, pen.colour);
        const QString reading =
            o.cursorMs ? QStringLiteral(" = ") + TrendPlot::readout(model, pen, *o.cursorMs) : QString();
        p.setPen(pen.colour.darker(130));
        p.drawText(x + 16, baseline, TrendPlot::legendEntry(pen.topic.label(), reading, metrics, columnWidth - 20));
    }
}

void drawCursor(QPainter& p, const Scale& s, std::int64_t cursorMs)
{
    const int x = int(s.x(cursorMs));
    p.setPen(QPen(QColor(40, 40, 40), 1, Qt::DashLine));
    p.drawLine(x, s.plot.top(), x, s.plot.bottom());
}

} // namespace

namespace TrendPlot {

QRect plotArea(const QRect& area, const QFontMetrics& metrics, int penCount, bool sharedAxis)
{
    const int axes = sharedAxis ? 1 : std::max(1, penCount);
    return area.adjusted(Margin + axes * axisWidth(metrics), legendHeight(metrics, penCount), -Margin - 10,
                         -(metrics.height() + 8));
}

void draw(QPainter& p, const QRect& area, TrendModel& model, const Options& o)
{
    const QFontMetrics metrics = p.fontMetrics();
    const auto& pens = model.pens();
    const Scale s{plotArea(area, metrics, int(pens.size()), o.sharedAxis), model.window()};
    if (s.plot.width() < 2 || s.plot.height() < 2)
        return;
    model.decimate(s.plot.width());
    p.fillRect(s.plot, Qt::white);
    drawTimeAxis(p, s, metrics);
    const int axes = o.sharedAxis ? 1 : int(pens.size());
    for (int i = 0; i < std::max(axes, 1); ++i) {
        const bool own = !o.sharedAxis && i < int(pens.size());
        drawValueAxis(p, s, axisRange(pens, i, o.sharedAxis), s.plot.left() - 1 - i * axisWidth(metrics),
                      own ? pens[size_t(i)].colour.darker(130) : QColor(Qt::black), i == 0, metrics);
    }
    p.setPen(Qt::darkGray);
    p.drawRect(s.plot.adjusted(0, 0, -1, -1));
    p.save();
    p.setClipRect(s.plot);
    for (const TrendPen& pen : pens)
        drawGaps(p, s, pen);
    for (int i = 0; i < int(pens.size()); ++i)
        drawLine(p, s, pens[size_t(i)], axisRange(pens, o.sharedAxis ? 0 : i, o.sharedAxis));
    p.restore();
    if (std::none_of(pens.begin(), pens.end(), hasValues) && !o.emptyText.isEmpty()) {
        p.setPen(Qt::darkGray);
        p.drawText(s.plot, Qt::AlignCenter | Qt::TextWordWrap, o.emptyText);
    }
    if (o.cursorMs)
        drawCursor(p, s, *o.cursorMs);
    drawLegend(p, area, model, o, metrics);
}

QString readout(TrendModel& model, const TrendPen& pen, std::int64_t timeMs)
{
    const auto s = timeMs <= model.now() ? model.sampleAt(pen, timeMs) : std::nullopt;
    return s ? QString::fromStdString(readingOf(*s)) : QStringLiteral("no value");
}

QString legendEntry(const QString& label, const QString& reading, const QFontMetrics& metrics, int width)
{
    const int readingWidth = metrics.horizontalAdvance(reading);
    if (readingWidth >= width)
        return metrics.elidedText(reading, Qt::ElideRight, width);
    return metrics.elidedText(label, Qt::ElideRight, width - readingWidth) + reading;
}

QString localTime(std::int64_t utcMs)
{
    return QString::fromStdString(fullTime(utcMs + utcOffsetMs(utcMs)));
}

} // namespace TrendPlot
