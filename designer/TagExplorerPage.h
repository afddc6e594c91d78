#pragma once

#include "TreePane.h"

#include <array>

class MarkGrid;
class Monitor;
class QCheckBox;
class QPushButton;
class QTimer;

// The tag explorer: the loaded controller's tag tree, the tag grid with its monitor, and the actions that
// send tags to the open page.
class TagExplorerPage : public TreePane {
    Q_OBJECT
public:
    explicit TagExplorerPage(QWidget* parent);

    QPushButton* PB(int index) const { return m_pb.at(static_cast<size_t>(index - 3)); }
    QCheckBox* autoSelect() const { return m_autoSelect; }
    MarkGrid* tagList() const { return m_tagList; }
    Monitor* monitor() const { return m_monitor; }
    QTimer* tagListSettleTime() const { return m_settle; }

    void Inner_Layout() override;

Q_SIGNALS:
    void commandClicked(int index);

private:
    std::array<QPushButton*, 5> m_pb{};
    QCheckBox* m_autoSelect;
    QWidget* m_dummy;
    MarkGrid* m_tagList;
    QTimer* m_settle;
    Monitor* m_monitor = nullptr;
};
