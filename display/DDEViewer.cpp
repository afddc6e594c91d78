// Building and tearing down the sheet of a page.
#include "PageDisplay.h"

#include "CntrlDDE.h"
#include "CntrlForm.h"
#include "DrawSurface.h"
#include "LinkBox.h"
#include "Messages.h"
#include "Twips.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

#include <algorithm>
#include <utility>

namespace {

constexpr int RowPitch = 360;
constexpr int SurfaceHeight = 28800;

int rowTop(int index) { return RowPitch * (index + 1) + 25; }

void setTextColour(QWidget* box, const QColor& colour)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Active, QPalette::Text, colour);
    p.setColor(QPalette::Inactive, QPalette::Text, colour);
    p.setColor(QPalette::Disabled, QPalette::Text, colour);
    box->setPalette(p);
}

} // namespace

void PageDisplay::LoadDDE(const QString& title, const std::vector<TopicRecord>& topics, int topicCount)
{
    Clear_DDEPage();
    m_topics = topics;
    m_topicCount = topicCount;
    fitSurface(topicCount);
    CntrlForm::Draw_Grid(m_display);

    m_display->ForeColor = QColor(0, 0, 64);
    m_display->CurrentY = 50;
    m_display->CurrentX = 360;
    m_display->printText(title);

    for (int i = 1; i < topicCount; ++i)
        addElements(i);
    if (topicCount < 1)
        return;
    for (int i = 0; i < elementCount(); ++i)
        placeRow(i);

    const quint64 build = m_build;
    QCoreApplication::processEvents();
    // Another page was chosen meanwhile and built in full.
    if (build != m_build)
        return;
    DisplayBusy = false;
    for (int i = 0; i < elementCount(); ++i)
        m_dataTopic[static_cast<size_t>(i)]->setEnabled(!topic(i).ReadOnly && !topic(i).Bool);
    for (int i = 0; i < elementCount(); ++i) {
        m_dataTopic[static_cast<size_t>(i)]->LinkTopic = topic(i).DDETopic;
        m_dataTopic[static_cast<size_t>(i)]->LinkItem = topic(i).Specifier;
    }
    if (SystemOnline)
        linkAll();
}

void PageDisplay::placeRow(int i)
{
    const TopicRecord& t = topic(i);
    LinkBox* value = m_dataTopic[static_cast<size_t>(i)];
    const int top = rowTop(i);
    value->move(Twips::toPixels(360), Twips::toPixels(top));
    value->show();
    m_dataTopicOut[static_cast<size_t>(i)]->move(Twips::toPixels(360), Twips::toPixels(top));
    QCheckBox* bit = m_bitStat[static_cast<size_t>(i)];
    bit->move(Twips::toPixels(435), Twips::toPixels(RowPitch * (i + 1) + 75));
    if (t.Bool) {
        bit->show();
        bit->raise();
    }
    // A bit row's value text stands beside its check box, not half hidden under it.
    value->setTextMargins(t.Bool ? bit->geometry().right() + 1 - value->x() : 0, 0, 0, 0);
    const QColor colour = t.ReadOnly ? QColor(128, 0, 0) : QColor(0, 64, 0);
    m_display->ForeColor = colour;
    setTextColour(value, colour);
    m_display->CurrentX = 360 + Twips::fromPixels(value->width()) + 50;
    m_display->CurrentY = top + 25;
    m_display->printText(t.Description);
}

// The standard surface holds 79 rows; a longer page makes it as tall as its rows, so scrolling reaches all.
void PageDisplay::fitSurface(int topicCount)
{
    const int height = std::max(SurfaceHeight, RowPitch * (topicCount + 2));
    if (m_display->height() == Twips::toPixels(height))
        return;
    m_display->resize(m_display->width(), Twips::toPixels(height));
    LayoutPane();
}

// Links every value box, all asked for at once; a missing server is started and the other links still
// tried. The missing server is said once per page, not once per box.
void PageDisplay::linkAll()
{
    const quint64 build = m_build;
    const QList<Status> statuses =
        LinkBox::linkAll({m_dataTopic.data(), static_cast<size_t>(elementCount())});
    // Another page was built while the links waited; that build linked its own boxes.
    if (build != m_build)
        return;
    bool serverMissingTold = false;
    for (const Status& linked : statuses) {
        if (linked)
            continue;
        const RunError& e = linked.error();
        if (e.number == ErrNo::NoForeignApplication) {
            if (!std::exchange(serverMissingTold, true)) {
                Messages::show(QStringLiteral("Loading RSLinx, you must refresh the page."));
                reportLoadRSLinxFailure(CntrlDDE::Load_RSLinx());
            }
            QCoreApplication::processEvents();
            continue;
        }
        if (e.number == ErrNo::DdeTimeout) {
            unlinkAll();
            Messages::show(QStringLiteral("A timeout has occured so the link has been disconnected."));
            return;
        }
        Messages::report(QStringLiteral("LoadDDE"), e);
        return;
    }
}

void PageDisplay::unlinkAll()
{
    for (LinkBox* box : m_dataTopic)
        (void)box->setLinkMode(0);
}

void PageDisplay::reportLoadRSLinxFailure(const Status& started)
{
    if (!started)
        Messages::report(QStringLiteral("Load_RSLinx"), started.error());
}

void PageDisplay::Hide_DDETopics()
{
    // Boxes unlinked here end the links still waiting: they belong to a page that is going.
    ++m_build;
    closeValueEdits();
    for (LinkBox* box : m_dataTopic) {
        box->hide();
        (void)box->setLinkMode(0);
    }
    for (QLineEdit* edit : m_dataTopicOut)
        edit->hide();
    for (QCheckBox* bit : m_bitStat)
        bit->hide();
}

void PageDisplay::Clear_DDEPage()
{
    DisplayBusy = true;
    Hide_DDETopics();
    while (m_dataTopic.size() > 1) {
        delete m_dataTopic.back();
        m_dataTopic.pop_back();
    }
    m_dataTopic[0]->setText(QString());
    while (m_dataTopicOut.size() > 1) {
        delete m_dataTopicOut.back();
        m_dataTopicOut.pop_back();
    }
    while (m_bitStat.size() > 1) {
        delete m_bitStat.back();
        m_bitStat.pop_back();
    }
    m_bitStat[0]->setChecked(false);
    m_topics.clear();
    m_topicCount = 0;
    DisplayBusy = false;
}
