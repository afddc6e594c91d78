#pragma once

#include <QWidget>

class KeyedTree;

// The designer's working window: for now the page tree of the workspace.
class MainUI : public QWidget {
    Q_OBJECT
public:
    explicit MainUI(QWidget* parent = nullptr);

    KeyedTree* pageTree() const { return m_pageTree; }

private:
    void Form_Load();

    KeyedTree* m_pageTree = nullptr;
};
