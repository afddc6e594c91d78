#pragma once

#include "TreePane.h"

class PageDisplay;
class PageEditor;

// The page mode: the page tree, the editor pane and the viewer pane of the open page.
class PageMode : public TreePane {
    Q_OBJECT
public:
    PageMode(QWidget* window, QWidget* parent);

    PageEditor* editor() const { return m_editor; }
    PageDisplay* display() const { return m_display; }
    // Shows pane k (1 editor, 2 viewer).
    void Show_Pane(int k);

    void Inner_Layout() override;

private:
    PageDisplay* m_display;
    PageEditor* m_editor;
};
