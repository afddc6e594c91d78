#include "LinkBackend.h"

#include "LinkBox.h"

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

QString LinkBackend::linkedTopic(const LinkBox* box)
{
    return box->m_linkedTopic;
}

QString LinkBackend::linkedItem(const LinkBox* box)
{
    return box->m_linkedItem;
}
