#include "TreePane.h"

#include "KeyedTree.h"
#include "SplitterGrip.h"
#include "Twips.h"

namespace {

constexpr int SplitterLimit = 3000;

int px(int twips) { return Twips::toPixels(twips); }

} // namespace

TreePane::TreePane(int k, QWidget* parent)
    : QWidget(parent), m_tree(new KeyedTree(this)),
      m_splitter(new SplitterGrip(this, SplitterLimit, QStringLiteral("(%1)").arg(k)))
{
    setObjectName(QStringLiteral("SubPage(%1)").arg(k));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    m_tree->setObjectName(QStringLiteral("Tree(%1)").arg(k));
    m_tree->setGeometry(px(10), px(10), px(3000), 100);
    m_splitter->move(m_tree->x() + px(3000), 0);
    m_splitter->bar()->move(m_splitter->pos());
    m_splitter->onPlace = [this](int x) { placeSplitter(x); };
}

void TreePane::placeSplitter(int x)
{
    m_splitter->move(x, m_splitter->y());
    m_tree->resize(x, m_tree->height());
    Inner_Layout();
}

void TreePane::Fit_Height()
{
    m_tree->resize(m_tree->width(), height() - px(20));
    m_splitter->setGeometry(m_splitter->x(), 0, m_splitter->width(), height());
    m_splitter->bar()->resize(m_splitter->bar()->width(), height());
    m_splitter->show();
    m_splitter->raise();
}
