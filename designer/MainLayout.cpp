// The working window's outer layout: tab strips, pages, sub pages, trees and splitters.
#include "MainUI.h"

#include "CntrlForm.h"
#include "Monitor.h"
#include "PLCListPage.h"
#include "PageMode.h"
#include "TabStrip.h"
#include "TagExplorerPage.h"
#include "Twips.h"

namespace {

int px(int twips) { return Twips::toPixels(twips); }

} // namespace

void MainUI::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A minimised window keeps its layout until it is restored.
    if (window()->isMinimized() || (parentWidget() && parentWidget()->isMinimized()))
        return;
    Outer_Layout();
    m_tagExplorer->monitor()->RefreshMonitorLinks(0);
}

void MainUI::Outer_Layout()
{
    TabStrip* main = m_programTab[0];
    CntrlForm::Fit_Client(this, main);
    for (int i = 1; i <= 2; ++i) {
        QWidget* page = m_page[static_cast<size_t>(i)];
        page->setGeometry(0, px(355), main->width() - px(25), main->height() - px(420));
        m_programTab[static_cast<size_t>(i)]->setGeometry(0, 0, page->width(), page->height());
    }
    TabStrip* sub = m_programTab[1];
    for (TreePane* pane : {static_cast<TreePane*>(m_pageMode), static_cast<TreePane*>(m_plcList),
                           static_cast<TreePane*>(m_tagExplorer)}) {
        const int left = px(10);
        pane->setGeometry(left, px(30), sub->width() - px(50) - left, sub->height() - px(400));
        pane->raise();
        pane->Fit_Height();
        pane->Inner_Layout();
    }
}
