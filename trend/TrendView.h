#pragma once

#include "TimeWindow.h"
#include "TrendPlot.h"

#include <QWidget>

class TrendModel;

// The drawing area of a trend window: the wheel zooms about the time under the mouse, dragging pans, and
// the cursor line follows the mouse and reads every pen's value.
class TrendView : public QWidget {
    Q_OBJECT
public:
    TrendView(TrendModel& model, QWidget* parent = nullptr);

    void setSharedAxis(bool shared);
    bool sharedAxis() const { return m_options.sharedAxis; }
    void setEmptyText(const QString& text);
    // The cursor at a time; none hides it.
    void setCursorTime(std::optional<std::int64_t> timeMs);
    std::optional<std::int64_t> cursorTime() const { return m_options.cursorMs; }
    // Where the lines are drawn.
    QRect plotRect() const;
    // The time at a widget x, inside the window.
    std::int64_t timeAt(int x) const;

Q_SIGNALS:
    // The time window was zoomed or panned.
    void windowChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TrendModel& m_model;
    TrendPlot::Options m_options;
    // Where a drag started, and the window then.
    std::optional<int> m_dragX;
    history::trend::TimeWindow m_dragWindow;
};
