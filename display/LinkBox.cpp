#include "LinkBox.h"

#include "LinkBackend.h"
#include "LinkProtocol.h"

#include <QPointer>

LinkBox::LinkBox(int index, QWidget* parent) : QLineEdit(parent), m_index(index)
{
    connect(this, &QLineEdit::textChanged, this, [this] { Q_EMIT Change(m_index); });
}

LinkBox::~LinkBox()
{
    if (m_mode != 0)
        if (LinkBackend* backend = LinkBackend::existing())
            backend->unadvise(this);
}

int LinkBox::timeoutMs() const
{
    return qMax(1, static_cast<int>(static_cast<quint16>(LinkTimeout))) * 100;
}

Status LinkBox::setLinkMode(int mode)
{
    if (mode != 0 && mode != 1)
        return Status::fail(ErrNo::InvalidCall);
    if (m_mode != 0) {
        LinkBackend::instance().unadvise(this);
        m_mode = 0;
    }
    if (mode == 0)
        return {};

    QString application, topic;
    // Only one application answers here; any other name finds nobody, as it would on a real system.
    if (!LinkProtocol::splitLinkTopic(LinkTopic, &application, &topic) ||
        application.compare(QLatin1String(LinkProtocol::ApplicationName), Qt::CaseInsensitive) != 0 ||
        topic.isEmpty())
        return Status::fail(ErrNo::NoForeignApplication);

    m_linkedTopic = topic;
    m_linkedItem = LinkItem;
    QPointer<LinkBox> self(this);
    Result<QString> value = LinkBackend::instance().advise(this, topic, LinkItem, timeoutMs());
    if (!self)
        return Status::fail(ErrNo::NoForeignApplication);
    if (!value)
        return value.status();
    m_mode = 1;
    setText(value.value());
    return {};
}

Status LinkBox::LinkPoke()
{
    if (m_mode == 0)
        return Status(RunError::of(293, QStringLiteral("DDE method invoked with no channel open")));
    Result<QString> stored = LinkBackend::instance().poke(m_linkedTopic, m_linkedItem, text(), timeoutMs());
    return stored.status();
}

void LinkBox::linkValue(const QString& value)
{
    setText(value);
}
