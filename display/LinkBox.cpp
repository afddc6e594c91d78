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
    ++m_linkSerial;
    if (m_mode != 0) {
        LinkBackend::instance().unadvise(this, m_linkedTopic, m_linkedItem);
        m_mode = 0;
    }
    if (mode == 0) {
        // Unlinked on purpose: nothing to wait for, and the text is no longer meant to be live.
        setStale(false);
        return {};
    }
    const Status opened = open();
    if (opened || opened.error().number != ErrNo::NoForeignApplication || !LinkRecovery::isLinkLost() ||
        serverTopic().isEmpty())
        return opened;
    linkLost();
    return {};
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

Status LinkBox::open()
{
    const QString topic = serverTopic();
    if (topic.isEmpty())
        return Status::fail(ErrNo::NoForeignApplication);

    const quint64 serial = ++m_linkSerial;
    const QString item = LinkItem;
    QPointer<LinkBox> self(this);
    Result<QString> value = LinkBackend::instance().advise(this, topic, item, timeoutMs());
    // Deleted, unlinked or linked anew while this link waited: its outcome belongs to nobody.
    if (!self)
        return Status::fail(ErrNo::ElementNotFound);
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
    linkValue(value.value());
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
    setToolTip(m_lastValueAt.isValid()
                   ? QStringLiteral("Not current: the link to the communication server is down. Last value at %1.")
                         .arg(m_lastValueAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                   : QStringLiteral("Not current: the link to the communication server is down."));
}
