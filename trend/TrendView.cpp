#include "TrendView.h"

#include "TrendModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// One notch of the wheel shows a fifth less (or a quarter more).
constexpr double NotchZoom = 0.8;

} // namespace

TrendView::TrendView(TrendModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setMouseTracking(true);
    setMinimumSize(320, 200);
    setAutoFillBackground(true);
}

void TrendView::setSharedAxis(bool shared)
{
    m_options.sharedAxis = shared;
    update();
}

void TrendView::setEmptyText(const QString& text)
{
    m_options.emptyText = text;
    update();
}

void TrendView::setCursorTime(std::optional<std::int64_t> timeMs)
{
    m_options.cursorMs = timeMs;
    update();
}

QRect TrendView::plotRect() const
{
    return TrendPlot::plotArea(rect(), fontMetrics(), int(m_model.pens().size()), m_options.sharedAxis);
}

std::int64_t TrendView::timeAt(int x) const
{
    const QRect plot = plotRect();
    const auto& w = m_model.window();
    const double share = std::clamp(double(x - plot.left()) / std::max(1, plot.width()), 0.0, 1.0);
    return w.fromMs + std::llround(share * double(w.span()));
}

void TrendView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    TrendPlot::draw(painter, rect(), m_model, m_options);
}

void TrendView::resizeEvent(QResizeEvent*)
{
    m_model.setPlotColumns(plotRect().width());
}

void TrendView::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const int x = int(event->position().x());
    m_model.setWindow(
        history::trend::zoomed(m_model.window(), std::pow(NotchZoom, notches), timeAt(x), m_model.now()));
    m_options.cursorMs = timeAt(x);
    update();
    Q_EMIT windowChanged();
}

void TrendView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragX = int(event->position().x());
    m_dragWindow = m_model.window();
    setCursor(Qt::ClosedHandCursor);
}

void TrendView::mouseMoveEvent(QMouseEvent* event)
{
    const int x = int(event->position().x());
    if (m_dragX && *m_dragX != x) {
        const double perPixel = double(m_dragWindow.span()) / std::max(1, plotRect().width());
        m_model.panTo(
            history::trend::panned(m_dragWindow, std::llround((*m_dragX - x) * perPixel), m_model.now()));
        Q_EMIT windowChanged();
    }
    setCursorTime(plotRect().contains(event->position().toPoint()) ? std::optional(timeAt(x)) : std::nullopt);
}

void TrendView::mouseReleaseEvent(QMouseEvent*)
{
    m_dragX.reset();
    unsetCursor();
}

void TrendView::leaveEvent(QEvent*)
{
    setCursorTime(std::nullopt);
}
