#include "PLCListPage.h"

#include "CntrlForm.h"
#include "KeyedTree.h"
#include "Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

int px(int twips) { return Twips::toPixels(twips); }

constexpr int RowTop = 480;
constexpr int RowPitch = 400;

} // namespace

PLCListPage::PLCListPage(QWidget* parent) : TreePane(2, parent)
{
    const char* captions[] = {"&Load", "&Update", "&Delete"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(captions[i]), this);
        b->setObjectName(QStringLiteral("PB(%1)").arg(i));
        b->resize(px(1500), px(315));
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, [this, i] { Q_EMIT commandClicked(i); });
        m_pb[static_cast<size_t>(i)] = b;
    }
    const char* labels[] = {"PLC Type:", "PLC Name:", "DDE Topic:", "Imported File:"};
    for (int i = 0; i < 4; ++i) {
        m_label[static_cast<size_t>(i)] = new QLabel(QString::fromLatin1(labels[i]), this);
        m_label[static_cast<size_t>(i)]->setObjectName(QStringLiteral("PLClbl(%1)").arg(i));
    }
    for (int i = 0; i < 2; ++i) {
        m_dataIn[static_cast<size_t>(i)] = new QLineEdit(this);
        m_dataIn[static_cast<size_t>(i)]->setObjectName(QStringLiteral("PLCDataIn(%1)").arg(i));
        m_dataIn[static_cast<size_t>(i)]->setEnabled(false);
        m_dataInLbl[static_cast<size_t>(i)] = new QLabel(this);
        m_dataInLbl[static_cast<size_t>(i)]->setObjectName(QStringLiteral("PLCDataInLbl(%1)").arg(i));
        m_dataInLbl[static_cast<size_t>(i)]->setFrameShape(QFrame::StyledPanel);
    }
}

// Rows: type, name, topic, file; each label with its value to the right, stretched to the pane's edge.
void PLCListPage::Inner_Layout()
{
    const int left = tree()->width() + px(80);
    int x = left;
    for (QPushButton* b : m_pb) {
        b->move(x, 0);
        x = b->geometry().right() + 1 + px(40);
    }
    int labelWidth = 0;
    for (QLabel* l : m_label)
        labelWidth = std::max(labelWidth, l->sizeHint().width());
    QWidget* values[] = {m_dataInLbl[0], m_dataIn[0], m_dataIn[1], m_dataInLbl[1]};
    for (int i = 0; i < 4; ++i) {
        const int top = px(RowTop + i * RowPitch);
        m_label[static_cast<size_t>(i)]->setGeometry(left, top, labelWidth, px(315));
        values[i]->setGeometry(left + labelWidth + px(60), top, values[i]->width(), px(315));
        CntrlForm::Fit_Width(this, values[i], 120);
    }
}
