#pragma once

#include <QWidget>

#include <functional>

// A vertical splitter: a grip (imgSplitter) that, while dragged, shows a bar (picSplitter) clamped to
// [limit, container width - limit] twips, and on release hands the final position to its owner.
class SplitterGrip : public QWidget {
    Q_OBJECT
public:
    SplitterGrip(QWidget* container, int limitTwips, const QString& suffix = QString());

    // Called with the final left position in pixels.
    std::function<void(int)> onPlace;
    // Called on each press and release (the viewer counts them as activity).
    std::function<void()> onActivity;

    bool dragging() const { return m_dragging; }
    QWidget* bar() const { return m_bar; }
    // Left position clamped to the limits, in pixels.
    int clamp(int x) const;

    void imgSplitter_MouseDown();
    void imgSplitter_MouseMove(int mouseX);
    void imgSplitter_MouseUp();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* m_container;
    QWidget* m_bar;
    int m_limitTwips;
    bool m_dragging = false;
};
