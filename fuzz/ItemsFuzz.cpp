// Lines taken as a topics file, and each line as an item of every driver with the line as its value.
#include "Cip.h"
#include "ItemAddress.h"
#include "LogixTag.h"
#include "Pccc.h"
#include "TagValue.h"
#include "TopicConfig.h"

#include <QByteArray>
#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = QString::fromLatin1(bytes).split(QLatin1Char('\n'));
    for (const TopicConfig& t : TopicConfig::parse(lines).topics)
        (void)t.describe();
    for (const QString& line : lines) {
        const ItemAddress address = ItemAddress::parse(line);
        (void)address.normalize(line);
        (void)LogixTag::parse(line);
        for (const Pccc::Dialect dialect : {Pccc::Dialect::Slc, Pccc::Dialect::Plc5})
            if (const Result<Pccc::Address> at = Pccc::parse(line, dialect)) {
                (void)Pccc::read(1, *at, at->valueBytes);
                if (const Result<QByteArray> value = Pccc::encode(*at, line))
                    (void)Pccc::write(1, *at, *value);
            }
        for (const char* type : {"c200", "c400", "c500", "c800", "ca00"})
            (void)TagValue::encode(QByteArray::fromHex(type), line);
        (void)Cip::route(line);
    }
    return 0;
}
