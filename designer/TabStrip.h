#pragma once

#include <QTabBar>
#include <QWidget>

// A tab strip as the working window lays it out: a framed area with its tabs along one edge. The panes it
// switches are the window's own controls, placed over it, not children of the strip.
class TabStrip : public QWidget {
    Q_OBJECT
public:
    TabStrip(const QStringList& captions, QTabBar::Shape shape, QWidget* parent);

    QTabBar* tabs() const { return m_tabs; }
    // 1-based, as the panes are numbered.
    int selectedTab() const { return m_tabs->currentIndex() + 1; }

Q_SIGNALS:
    void tabClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QTabBar* m_tabs;
};
