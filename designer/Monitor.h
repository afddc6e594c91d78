#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class LinkBox;
class MarkGrid;
class QCheckBox;
class QPushButton;
class QWidget;

// Live values in the tag grid: every marked row the grid shows is linked and its value written into
// column 4. Link boxes exist only for rows that were linked, so a controller of 100,000 tags costs nothing
// until rows are marked and seen.
class Monitor : public QObject {
    Q_OBJECT
public:
    Monitor(MarkGrid* tagList, QPushButton* monitorButton, QCheckBox* autoSelect, QWidget* boxParent);

    qint16 MonitorLinkMode = 0;
    qint16 FirstMonitoredRow = 0;
    qint16 LastMonitoredRow = 0;

    void ClearMonitorLinks();
    // ddeTopic: the loaded controller's topic; programScope: empty for controller scope.
    void BuildMonitorLinks(const QString& ddeTopic, const QString& programScope);
    // 0 refreshes every row, any other value that row alone.
    void RefreshMonitorLinks(int index);
    void ToggleMonitor();
    void MonTopic_Change(int index);

    // The box of a row, or nullptr while the row was never linked.
    LinkBox* monTopic(int row) const { return m_boxes.value(row, nullptr); }
    int linkedCount() const;
    // The item a row links: its tag, inside its program where the rows are a program's.
    QString itemOf(int row) const;

    static constexpr int ValueColumn = 4;

private:
    LinkBox* element(int row);
    void setMode(int row, int mode);
    void unlinkAndClear(int row);
    // The cell's text and tool tip ("?" tells why on its tip).
    void showValue(int row, const QString& value, const QString& tip);
    void showLinkState(bool lost);

    MarkGrid* m_tagList;
    QPushButton* m_monitorButton;
    QCheckBox* m_autoSelect;
    QWidget* m_boxParent;
    LinkBox* m_template;
    QString m_linkTopic;
    QString m_programScope;
    QHash<int, LinkBox*> m_boxes;
    // Rows whose value cell holds something, so a refresh clears only those.
    QSet<int> m_valued;
};
