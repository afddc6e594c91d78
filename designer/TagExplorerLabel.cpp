#include "TagExplorerLabel.h"

#include "PLCData.h"

#include <QRegularExpression>

namespace TagExplorerLabel {

namespace {

// Member nodes are named after their tag followed by ".member" or "[index]".
bool isLogix5000Tag(const QString& plcType, const QString& specifier)
{
    return plcType == PLCTypes::RSLogix5000 && !specifier.isEmpty() && !specifier.contains(QLatin1Char('.')) &&
           !specifier.contains(QLatin1Char('['));
}

} // namespace

QString Page_Description(const QString& plcType, const QString& specifier, const QString& detail)
{
    if (!isLogix5000Tag(plcType, specifier))
        return detail;
    return detail.isEmpty() ? specifier : specifier + QStringLiteral(" (") + detail + QLatin1Char(')');
}

bool Is_Bool(const QString& plcType, const QString& specifier, const QString& detail)
{
    if (plcType == PLCTypes::RSLogix500) {
        static const QRegularExpression bitAddress(QStringLiteral("/[A-Za-z0-9]+$"));
        return bitAddress.match(specifier).hasMatch();
    }
    return isLogix5000Tag(plcType, specifier) && detail.compare(QLatin1String("BOOL"), Qt::CaseInsensitive) == 0;
}

} // namespace TagExplorerLabel
