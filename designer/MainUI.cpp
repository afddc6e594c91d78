#include "MainUI.h"

#include "CntrlForm.h"
#include "KeyedTree.h"
#include "PageStructure.h"

#include <QHBoxLayout>

MainUI::MainUI(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainUI"));
    setWindowTitle(QStringLiteral("Corvane"));
    m_pageTree = new KeyedTree(this);
    m_pageTree->setObjectName(QStringLiteral("Tree(1)"));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pageTree);
    layout->addStretch(1);
    m_pageTree->setMinimumWidth(200);
    Form_Load();
}

void MainUI::Form_Load()
{
    CntrlForm::Set_Fonts(this);
    DDEBuilder::PageStructure_Read(*m_pageTree);
    m_pageTree->expandAll();
}
