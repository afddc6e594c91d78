#include "LinkBox.h"

#include "LinkBackend.h"
#include "LinkProtocol.h"
#include "LinkRecovery.h"

#include <QHelpEvent>
#include <QPointer>
#include <QToolTip>

LinkBox::LinkBox(int index, QWidget* parent) : QLineEdit(parent), m_index(index)
{
    connect(this, &QLineEdit::textChanged, this, [this] { Q_EMIT Change(m_index); });
}

LinkBox::~LinkBox()
{
    if (m_mode != 0)
        if (LinkBackend* backend = LinkBackend::existing())
            backend->unadvise(this, m_linkedTopic, m_linkedItem);
}

int LinkBox::timeoutMs() const
{
    return qMax(1, static_cast<int>(static_cast<quint16>(LinkTimeout))) * 100;
}

Status LinkBox::setLinkMode(int mode)
{
    if (mode != 0 && mode != 1)
        return Status::fail(ErrNo::InvalidCall);
    if (mode == 1) {
        LinkBox* self = this;
        return linkAll({&self, 1}).value(0);
    }
    release();
    // Unlinked on purpose: nothing to wait for, and the text is no longer meant to be live.
    setStale(false);
    return {};
}

void LinkBox::release()
{
    ++m_linkSerial;
    if (m_mode != 0) {
        LinkBackend::instance().unadvise(this, m_linkedTopic, m_linkedItem);
        m_mode = 0;
    }
}

QList<Status> LinkBox::linkAll(std::span<LinkBox* const> boxes)
{
    QList<QPointer<LinkBox>> guards;
    for (LinkBox* box : boxes) {
        box->release();
        guards.append(box);
    }
    QList<Status> statuses = openAll(QList<LinkBox*>(boxes.begin(), boxes.end()));
    for (qsizetype i = 0; i < statuses.size(); ++i) {
        LinkBox* box = guards[i];
        // While the connection is lost, a link that finds no server waits for it with the others.
        if (box && !statuses[i] && statuses[i].error().number == ErrNo::NoForeignApplication &&
            LinkRecovery::isLinkLost() && !box->serverTopic().isEmpty()) {
            box->linkLost();
            statuses[i] = {};
        }
    }
    return statuses;
}

QString LinkBox::serverTopic() const
{
    QString application, topic;
    // Only one application answers here; any other name finds nobody, as it would on a real system.
    if (!LinkProtocol::splitLinkTopic(LinkTopic, &application, &topic) ||
        application.compare(QLatin1String(LinkProtocol::ApplicationName), Qt::CaseInsensitive) != 0)
        return {};
    return topic;
}

QList<Status> LinkBox::openAll(const QList<LinkBox*>& boxes)
{
    QList<Status> statuses(boxes.size(), Status::fail(ErrNo::NoForeignApplication));
    QList<LinkBackend::AdviseRequest> requests;
    QList<qsizetype> asked;
    QList<quint64> serials;
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        LinkBox* box = boxes[i];
        const QString topic = box->serverTopic();
        if (topic.isEmpty())
            continue;
        requests.append({box, topic, box->LinkItem, box->timeoutMs()});
        asked.append(i);
        serials.append(++box->m_linkSerial);
    }
    if (requests.isEmpty())
        return statuses;
    QList<QPointer<LinkBox>> guards;
    for (const LinkBackend::AdviseRequest& r : requests)
        guards.append(r.box);
    const QList<Result<QString>> values = LinkBackend::instance().adviseAll(requests);
    // Every box takes its link before any shows its value: a change handler that unlinks or deletes other
    // boxes then finds them linked and lets their links go.
    for (qsizetype n = 0; n < requests.size(); ++n) {
        // Deleted while the links waited: its outcome belongs to nobody.
        statuses[asked[n]] =
            guards[n] ? guards[n]->opened(requests[n].topic, requests[n].item, serials[n], values[n])
                      : Status::fail(ErrNo::ElementNotFound);
    }
    for (qsizetype n = 0; n < requests.size(); ++n)
        if (statuses[asked[n]] && guards[n] && guards[n]->m_linkSerial == serials[n])
            guards[n]->linkValue(values[n].value());
    return statuses;
}

Status LinkBox::opened(const QString& topic, const QString& item, quint64 serial,
                       const Result<QString>& value)
{
    // Unlinked or linked anew while this link waited: its outcome belongs to nobody.
    if (serial != m_linkSerial) {
        if (value)
            LinkBackend::instance().unadvise(this, topic, item);
        return Status::fail(ErrNo::ElementNotFound);
    }
    if (!value)
        return value.status();
    m_linkedTopic = topic;
    m_linkedItem = item;
    m_mode = 1;
    setStale(false);
    return {};
}

Status LinkBox::LinkPoke()
{
    if (m_mode == 0 || m_stale)
        return Status(RunError::of(293, QStringLiteral("DDE method invoked with no channel open")));
    Result<QString> stored = LinkBackend::instance().poke(m_linkedTopic, m_linkedItem, text(), timeoutMs());
    return stored.status();
}

void LinkBox::linkValue(const QString& value)
{
    m_lastValueAt = QDateTime::currentDateTime();
    setText(value);
    // A value wider than the box shows its beginning, so a "Server error" reads as one.
    setCursorPosition(0);
}

bool LinkBox::event(QEvent* event)
{
    // The whole of a value the box cuts off, above the box's own tip.
    if (event->type() == QEvent::ToolTip) {
        const int room = contentsRect().width() - textMargins().left() - textMargins().right() - 4;
        if (fontMetrics().horizontalAdvance(text()) > room) {
            const QString tip = toolTip().isEmpty() ? text() : text() + QLatin1Char('\n') + toolTip();
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void LinkBox::confirmedAt(const QDateTime& at)
{
    if (m_mode != 0 && !m_stale && at > m_lastValueAt)
        m_lastValueAt = at;
}

void LinkBox::linkLost()
{
    m_mode = 1;
    setStale(true);
    LinkRecovery::instance().waitForLink(this);
}

void LinkBox::setStale(bool stale)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    if (!stale) {
        setFont(m_currentFont);
        setPalette(m_currentPalette);
        setToolTip(m_currentToolTip);
        return;
    }
    m_currentFont = font();
    m_currentPalette = palette();
    m_currentToolTip = toolTip();
    QFont struck = m_currentFont;
    struck.setStrikeOut(true);
    setFont(struck);
    QPalette grey = m_currentPalette;
    grey.setColor(QPalette::Text, Qt::gray);
    setPalette(grey);
    setToolTip(
        m_lastValueAt.isValid()
            ? QStringLiteral("Not current: the link to the communication server is down. Last value at %1.")
                  .arg(m_lastValueAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
            : QStringLiteral("Not current: the link to the communication server is down."));
}
