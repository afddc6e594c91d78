#include "MainUI.h"

#include "CntrlForm.h"
#include "KeyedTree.h"
#include "Messages.h"
#include "PageStructure.h"
#include "THMIUtil.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>

MainUI::MainUI(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainUI"));
    setWindowTitle(QStringLiteral("Corvane"));
    m_pageTree = new KeyedTree(this);
    m_pageTree->setObjectName(QStringLiteral("Tree(1)"));
    m_pageTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pageTree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Tree_MouseUp(1, Qt::RightButton, m_pageTree->viewport()->mapToGlobal(pos)); });
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pageTree);
    layout->addStretch(1);
    m_pageTree->setMinimumWidth(200);

    m_util = std::make_unique<THMIUtil>(*m_pageTree, this);
    m_util->setSelectedPageIndex([this] { return SelectedPageIndex(); });
    connect(m_util.get(), &THMIUtil::deletePageRequested, this, &MainUI::Delete_Page);
    connect(m_util.get(), &THMIUtil::pageTreeReloaded, m_pageTree, &QTreeView::expandAll);
    Form_Load();
}

MainUI::~MainUI() = default;

void MainUI::Form_Load()
{
    CntrlForm::Set_Fonts(this);
    DDEBuilder::PageStructure_Read(*m_pageTree);
    m_pageTree->expandAll();
}

int MainUI::SelectedPageIndex() const
{
    const int selected = m_pageTree->selectedIndex();
    return selected > 0 ? selected : 1;
}

void MainUI::Tree_MouseUp(int index, Qt::MouseButton button, const QPoint& globalPos)
{
    if (button != Qt::RightButton || index != 1)
        return;
    const bool root = SelectedPageIndex() == 1;
    m_util->Tmnu(1)->setEnabled(!root);
    m_util->Tmnu(2)->setEnabled(!root);
    m_util->mTmnu()->popup(globalPos);
}

void MainUI::Delete_Page()
{
    if (m_pageTree->selectedIndex() <= 1) {
        Messages::show(QStringLiteral("This page may not be deleted or renamed."));
    } else if (Messages::ask(QStringLiteral("Are you sure you want to delete this page and any Sub Pages?"))) {
        DDEBuilder::PageStructure_Delete(*m_pageTree);
    }
    m_pageTree->setFocus();
}
