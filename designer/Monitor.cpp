#include "Monitor.h"

#include "LinkBox.h"
#include "LinkRecovery.h"
#include "MarkGrid.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>

#include <utility>

Monitor::Monitor(MarkGrid* tagList, QPushButton* monitorButton, QCheckBox* autoSelect, QWidget* boxParent)
    : QObject(boxParent), m_tagList(tagList), m_monitorButton(monitorButton), m_autoSelect(autoSelect),
      m_boxParent(boxParent), m_template(new LinkBox(0, boxParent))
{
    m_template->setObjectName(QStringLiteral("MonTopic(0)"));
    m_template->setFont(QFont(QStringLiteral("Courier New"), 8));
    m_template->hide();
    connect(&LinkRecovery::instance(), &LinkRecovery::linkStateChanged, this, &Monitor::showLinkState);
}

QString Monitor::itemOf(int row) const
{
    const QString tag = m_tagList->cell(row, 2);
    return m_programScope.isEmpty() ? tag : QStringLiteral("Program:") + m_programScope + QLatin1Char('.') + tag;
}

void Monitor::ClearMonitorLinks()
{
    // Taken out first: a value arriving meanwhile must not find a box being removed.
    const QHash<int, LinkBox*> boxes = std::exchange(m_boxes, {});
    m_valued.clear();
    for (LinkBox* box : boxes) {
        (void)box->setLinkMode(0);
        delete box;
        QCoreApplication::processEvents();
    }
}

void Monitor::BuildMonitorLinks(const QString& ddeTopic, const QString& programScope)
{
    m_linkTopic = QStringLiteral("RSLinx|") + ddeTopic;
    m_programScope = programScope;
}

LinkBox* Monitor::element(int row)
{
    if (LinkBox* box = m_boxes.value(row, nullptr))
        return box;
    auto* box = new LinkBox(row, m_boxParent);
    box->setObjectName(QStringLiteral("MonTopic(%1)").arg(row));
    box->setFont(m_template->font());
    box->hide();
    box->LinkTopic = m_linkTopic;
    box->LinkItem = itemOf(row);
    box->LinkTimeout = 50;
    connect(box, &LinkBox::Change, this, &Monitor::MonTopic_Change);
    m_boxes.insert(row, box);
    return box;
}

// Failures are skipped: a row whose link cannot open simply shows no value.
void Monitor::setMode(int row, int mode)
{
    LinkBox* box = mode == 0 ? monTopic(row) : element(row);
    if (!box || box->LinkMode() == mode)
        return;
    // The box kept its last text when its cell was cleared, so the same value again raises no change.
    if (box->setLinkMode(mode) && mode != 0)
        MonTopic_Change(row);
}

void Monitor::unlinkAndClear(int row)
{
    setMode(row, 0);
    if (m_valued.remove(row))
        showValue(row, QString(), QString());
}

void Monitor::RefreshMonitorLinks(int index)
{
    if (index != 0) {
        if (m_tagList->cell(index, 0) == QLatin1String("  "))
            setMode(index, MonitorLinkMode);
        else
            unlinkAndClear(index);
        QCoreApplication::processEvents();
        return;
    }
    const int first = m_tagList->rowCount() > 1 ? m_tagList->firstVisibleRow() : 0;
    const int last = first > 0 ? m_tagList->lastVisibleRow() : 0;
    // Rows out of view lose their links and values; only rows that have either need touching.
    QSet<int> touched = m_valued;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
        touched.insert(it.key());
    for (int r : std::as_const(touched)) {
        if (r < first || r > last) {
            unlinkAndClear(r);
            QCoreApplication::processEvents();
        }
    }
    for (int r = first; r >= 1 && r <= last; ++r) {
        if (m_tagList->cell(r, 0) == QLatin1String("  "))
            setMode(r, MonitorLinkMode);
        else
            unlinkAndClear(r);
        QCoreApplication::processEvents();
    }
    FirstMonitoredRow = static_cast<qint16>(first);
    LastMonitoredRow = static_cast<qint16>(last);
}

void Monitor::ToggleMonitor()
{
    if (MonitorLinkMode == 0) {
        MonitorLinkMode = 1;
        m_monitorButton->setText(QStringLiteral("Go Offline"));
        m_autoSelect->setEnabled(true);
    } else {
        m_monitorButton->setText(QStringLiteral("Monitor"));
        m_autoSelect->setChecked(false);
        m_autoSelect->setEnabled(false);
        MonitorLinkMode = 0;
    }
    RefreshMonitorLinks(0);
}

void Monitor::MonTopic_Change(int index)
{
    LinkBox* box = monTopic(index);
    if (!box)
        return;
    // The link stays, so the row recovers by itself when the controller answers again.
    const bool serverError = box->text().left(12) == QLatin1String("Server error");
    const QString tip = box->isStale() ? box->toolTip() : serverError ? box->text() : QString();
    showValue(index, serverError ? QStringLiteral("?") : box->text(), tip);
    m_valued.insert(index);
}

// Values of a lost link stay in their cells, grey and struck through with the boxes' tips, until it is back.
void Monitor::showLinkState(bool lost)
{
    m_tagList->cells().setStaleColumn(lost ? ValueColumn : -1);
    // The boxes learn of the loss one after another, after the first has said so.
    QMetaObject::invokeMethod(this, [this] {
        for (int row : QSet<int>(m_valued))
            MonTopic_Change(row);
    }, Qt::QueuedConnection);
}

void Monitor::showValue(int row, const QString& value, const QString& tip)
{
    m_tagList->cells().setText(row, ValueColumn, value);
    m_tagList->cells().setToolTip(row, ValueColumn, tip);
}

int Monitor::linkedCount() const
{
    int n = 0;
    for (const LinkBox* box : m_boxes)
        n += box->LinkMode() != 0 ? 1 : 0;
    return n;
}
