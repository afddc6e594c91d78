#include "LinkBackend.h"

#include "LinkBox.h"
#include "LinkRecovery.h"

#include <QPointer>

#ifdef HMI_LINK_DDE
#include "DdeLinkBackend.h"
#else
#include "LinkClient.h"
#endif

LinkBackend& LinkBackend::instance()
{
#ifdef HMI_LINK_DDE
    return DdeLinkBackend::instance();
#else
    return LinkClient::instance();
#endif
}

LinkBackend* LinkBackend::existing()
{
#ifdef HMI_LINK_DDE
    return DdeLinkBackend::existing();
#else
    return LinkClient::existing();
#endif
}

QList<Result<QString>> LinkBackend::adviseAll(const QList<AdviseRequest>& requests)
{
    QList<QPointer<LinkBox>> boxes;
    for (const AdviseRequest& r : requests)
        boxes.append(r.box);
    QList<Result<QString>> results;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const AdviseRequest& r = requests[i];
        results.append(boxes[i] ? advise(boxes[i], r.topic, r.item, r.timeoutMs)
                                : Result<QString>(RunError::of(ErrNo::ElementNotFound)));
    }
    return results;
}

void LinkBackend::deliverValue(LinkBox* box, const QString& value)
{
    box->linkValue(value);
}

void LinkBackend::dropLink(LinkBox* box)
{
    box->linkDropped();
}

void LinkBackend::loseLink(LinkBox* box, const QDateTime& confirmedAt)
{
    box->confirmedAt(confirmedAt);
    box->linkLost();
}

void LinkBackend::reportConnectionLost()
{
    LinkRecovery::instance().connectionLost();
}

void LinkBackend::reportConnectionClosed()
{
    if (LinkRecovery* recovery = LinkRecovery::existing())
        recovery->stop();
}
