#pragma once

#include <QWidget>

#include <memory>

class KeyedTree;
class THMIUtil;

// The designer's working window: for now the page tree of the workspace and its pop-up menu.
class MainUI : public QWidget {
    Q_OBJECT
public:
    explicit MainUI(QWidget* parent = nullptr);
    ~MainUI() override;

    KeyedTree* pageTree() const { return m_pageTree; }
    THMIUtil* utility() const { return m_util.get(); }

    // Node index of the open page; until the editor exists, the tree's selection (the root when none).
    int SelectedPageIndex() const;

    // Right button released over a tree: pops up the Topics menu over the page tree.
    void Tree_MouseUp(int index, Qt::MouseButton button, const QPoint& globalPos);
    // The editor's Delete Page action.
    void Delete_Page();

private:
    void Form_Load();

    KeyedTree* m_pageTree = nullptr;
    std::unique_ptr<THMIUtil> m_util;
};
