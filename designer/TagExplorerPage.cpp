#include "TagExplorerPage.h"

#include "KeyedTree.h"
#include "MarkGrid.h"
#include "Monitor.h"
#include "Twips.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>

namespace {

int px(int twips) { return Twips::toPixels(twips); }

constexpr int GridTop = 480;

} // namespace

TagExplorerPage::TagExplorerPage(QWidget* parent)
    : TreePane(3, parent), m_autoSelect(new QCheckBox(QStringLiteral("&Auto Select"), this)),
      m_dummy(new QWidget(this)), m_tagList(new MarkGrid(m_dummy)), m_settle(new QTimer(this))
{
    const char* captions[] = {"&Load RSLinx", "&Monitor", "&Select All", "&Deselect All", "Send To &Page"};
    for (int i = 0; i < 5; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(captions[i]), this);
        b->setObjectName(QStringLiteral("PB(%1)").arg(i + 3));
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, [this, i] { Q_EMIT commandClicked(i + 3); });
        m_pb[static_cast<size_t>(i)] = b;
    }
    m_monitor = new Monitor(m_tagList, PB(4), m_autoSelect, this);
    m_autoSelect->setObjectName(QStringLiteral("AutoSelect"));
    m_autoSelect->setEnabled(false);
    m_dummy->setObjectName(QStringLiteral("Dummy(1)"));
    m_tagList->setObjectName(QStringLiteral("TagList"));
    m_tagList->hide();
    m_settle->setObjectName(QStringLiteral("TagListSettleTime"));
    m_settle->setSingleShot(true);
    m_settle->setInterval(50);
    connect(m_settle, &QTimer::timeout, this, &TagExplorerPage::TagListSettleTime_Timer);
    connect(m_tagList, &MarkGrid::cellReleased, this, [this](int, int, int x) { TagList_MouseUp(x); });
    connect(m_tagList, &MarkGrid::scrolled, this, &TagExplorerPage::TagList_Scroll);
    m_tagList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tagList, &QWidget::customContextMenuRequested, this, &TagExplorerPage::TagList_ContextMenu);
    // The live values get the width the columns leave.
    m_tagList->horizontalHeader()->setStretchLastSection(true);
}

void TagExplorerPage::Inner_Layout()
{
    int x = tree()->width() + px(80);
    for (QPushButton* b : m_pb) {
        b->resize(b->sizeHint().width() + px(150), px(315));
        b->move(x, 0);
        x = b->geometry().right() + 1 + px(40);
    }
    m_autoSelect->adjustSize();
    m_autoSelect->move(x, 0);
    const int left = PB(3)->x();
    const QRect grid(left, px(GridTop), width() - (left + px(40)), height() - (px(GridTop) + px(30)));
    if (grid.width() <= 0 || grid.height() <= 0)
        return;
    m_dummy->setGeometry(grid);
    m_tagList->setGeometry(0, 0, grid.width(), grid.height());
}
