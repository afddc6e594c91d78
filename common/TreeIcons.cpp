#include "TreeIcons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

// A small controller badge: a coloured block with a short label.
QIcon badge(const QColor& colour, const QString& label)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setBrush(colour);
    p.setPen(colour.darker(160));
    p.drawRect(1, 2, 13, 11);
    QFont f = p.font();
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(1, 2, 14, 12), Qt::AlignCenter, label);
    return QIcon(pm);
}

QIcon build(const QString& key)
{
    QStyle* s = QApplication::style();
    static const QHash<QString, QStyle::StandardPixmap> standard = {
        {QStringLiteral("i"), QStyle::SP_ComputerIcon},
        {QStringLiteral("c"), QStyle::SP_FileIcon},
        {QStringLiteral("o"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("SPT"), QStyle::SP_DirLinkIcon},
        {QStringLiteral("C"), QStyle::SP_DirClosedIcon},
        {QStringLiteral("O"), QStyle::SP_DirOpenIcon},
        {QStringLiteral("MDrive"), QStyle::SP_DriveHDIcon},
        {QStringLiteral("Info"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("Error"), QStyle::SP_MessageBoxCritical},
        {QStringLiteral("Warning"), QStyle::SP_MessageBoxWarning},
        {QStringLiteral("Net"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("Page"), QStyle::SP_FileIcon},
        {QStringLiteral("Topic"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("SubTopic"), QStyle::SP_FileDialogListView},
    };
    if (key == QLatin1String("PLC500"))
        return badge(QColor(40, 110, 170), QStringLiteral("5"));
    if (key == QLatin1String("PLC5000"))
        return badge(QColor(170, 60, 40), QStringLiteral("5K"));
    const auto it = standard.find(key);
    return it == standard.end() ? QIcon() : s->standardIcon(*it);
}

} // namespace

namespace TreeIcons {

QIcon icon(const QString& key)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.insert(key, build(key));
    return *it;
}

} // namespace TreeIcons
