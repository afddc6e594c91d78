#include "PageMode.h"

#include "KeyedTree.h"
#include "PageDisplay.h"
#include "PageEditor.h"
#include "Twips.h"

PageMode::PageMode(QWidget* window, QWidget* parent)
    : TreePane(1, parent), m_display(new PageDisplay(this)), m_editor(new PageEditor(tree(), m_display, window, this))
{
    m_display->setObjectName(QStringLiteral("ChildSubPage(2)"));
    m_display->hide();
}

void PageMode::Show_Pane(int k)
{
    QWidget* shown = k == 2 ? static_cast<QWidget*>(m_display) : m_editor;
    QWidget* hidden = k == 2 ? static_cast<QWidget*>(m_editor) : m_display;
    hidden->hide();
    shown->show();
    shown->raise();
}

void PageMode::Inner_Layout()
{
    const int left = tree()->width() + Twips::toPixels(100);
    for (QWidget* pane : {static_cast<QWidget*>(m_editor), static_cast<QWidget*>(m_display)})
        pane->setGeometry(left, 0, std::max(0, width() - left), height());
    m_editor->Layout_Pane();
}
