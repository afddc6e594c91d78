#include "LinkBackend.h"

#include "LinkBox.h"
#include "LinkRecovery.h"

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

void LinkBackend::deliverValue(LinkBox* box, const QString& value)
{
    box->linkValue(value);
}

void LinkBackend::dropLink(LinkBox* box)
{
    box->linkDropped();
}

void LinkBackend::loseLink(LinkBox* box)
{
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
