#pragma once

#include <QWidget>

class KeyedTree;
class SplitterGrip;

// A sub page of the working window: a tree on the left, a splitter, and the mode's controls to its right.
class TreePane : public QWidget {
    Q_OBJECT
public:
    // k: the number of the tree and splitter (1 to 3).
    TreePane(int k, QWidget* parent);

    KeyedTree* tree() const { return m_tree; }
    SplitterGrip* splitter() const { return m_splitter; }

    // Tree and splitter as high as the pane.
    void Fit_Height();
    // The controls right of the splitter.
    virtual void Inner_Layout() = 0;

private:
    void placeSplitter(int x);

    KeyedTree* m_tree;
    SplitterGrip* m_splitter;
};
