#include "FragmentedRead.h"

#include "Encapsulation.h"
#include "LogixTag.h"
#include "TagValue.h"

QByteArray FragmentedRead::request() const
{
    if (m_type.isEmpty())
        return LogixTag::read(m_path, m_count);
    return LogixTag::readFragment(m_path, m_count, static_cast<quint32>(m_data.size()));
}

quint8 FragmentedRead::service() const
{
    return m_type.isEmpty() ? LogixTag::ReadTag : LogixTag::ReadTagFragmented;
}

Result<FragmentedRead::Step> FragmentedRead::take(const Cip::Reply& reply)
{
    const Result<TagValue::Typed> piece = TagValue::piece(reply.data);
    if (!piece)
        return piece.error();
    if (!m_type.isEmpty() && piece->type != m_type)
        return Encapsulation::malformed(
            QStringLiteral("fragment of type 0x%1 after 0x%2")
                .arg(QString::fromLatin1(piece->type.toHex()), QString::fromLatin1(m_type.toHex())));
    m_type = piece->type;
    m_data += piece->data;
    const qsizetype whole = qsizetype(m_count) * TagValue::width(m_type);
    if (m_data.size() > whole)
        return Encapsulation::malformed(QStringLiteral("%1 bytes read of %2 elements of %3")
                                            .arg(m_data.size())
                                            .arg(m_count)
                                            .arg(TagValue::width(m_type)));
    if (reply.status != Cip::PartialData)
        return Step::Done;
    // A read that does not move on, or says more follows after the last byte, would never end.
    if (piece->data.isEmpty() || m_data.size() == whole)
        return Encapsulation::malformed(
            QStringLiteral("partial transfer at %1 of %2 bytes").arg(m_data.size()).arg(whole));
    return Step::More;
}
