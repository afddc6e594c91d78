#pragma once

#include "TreePane.h"

#include <array>

class MarkGrid;
class Monitor;
class PageEditor;
class QCheckBox;
class QPushButton;
class QTimer;

// The tag explorer: the loaded controller's tag tree, the tag grid with its monitor, and the actions that
// send tags to the open page.
class TagExplorerPage : public TreePane {
    Q_OBJECT
public:
    explicit TagExplorerPage(QWidget* parent);
    // The editor whose open page receives the tags; opening another page there re-checks "Send To &Page".
    void setEditor(PageEditor* editor);

    void Setup_TagExplorer();
    void TagExplorer_Command(int index);
    void TagList_MouseUp(int xTwips);
    void TagList_Scroll();
    void TagListSettleTime_Timer();
    // "Trend" and "Add to trend" for the row under pos (viewport coordinates).
    void TagList_ContextMenu(const QPoint& pos);
    // The tag tree's "Send to Page This Structure": the clicked node and its children, all of them.
    void Send_Structure();
    // A controller was loaded (buttons 3 to 6 on) or deleted (all off, grid and tree emptied).
    void Controller_Loaded();
    void Controller_Deleted();
    // "Send To &Page" is enabled while rows are marked and a page other than the root is open.
    void Check_Send();

    QPushButton* PB(int index) const { return m_pb.at(static_cast<size_t>(index - 3)); }
    QCheckBox* autoSelect() const { return m_autoSelect; }
    MarkGrid* tagList() const { return m_tagList; }
    Monitor* monitor() const { return m_monitor; }
    QTimer* tagListSettleTime() const { return m_settle; }

    void Inner_Layout() override;

Q_SIGNALS:
    void commandClicked(int index);
    // Topics were appended to the page open in the editor.
    void sentToPage(int topics);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Send_To_Page();
    bool pageOpen() const;

    PageEditor* m_editor = nullptr;
    std::array<QPushButton*, 5> m_pb{};
    QCheckBox* m_autoSelect;
    QWidget* m_dummy;
    MarkGrid* m_tagList;
    QTimer* m_settle;
    Monitor* m_monitor = nullptr;
};
