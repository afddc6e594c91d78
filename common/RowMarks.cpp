#include "RowMarks.h"

#include "SharedVars.h"

#include <QFile>
#include <QImage>
#include <QPainter>

namespace RowMarks {

QPixmap builtIn(bool marked)
{
    QImage image(21, 19, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QColor(64, 64, 64));
    p.drawRect(4, 3, 12, 12);
    if (marked) {
        QPen tick(QColor(0, 0, 0));
        tick.setWidth(2);
        p.setPen(tick);
        p.drawLine(7, 9, 9, 12);
        p.drawLine(9, 12, 14, 6);
    }
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap picture(bool marked)
{
    // Without an application folder there is nowhere to keep the picture.
    if (SharedVars::AppFolder.isEmpty())
        return builtIn(marked);
    const QString path = SharedVars::AppFolder + (marked ? MarkedFile : UnmarkedFile);
    if (!QFile::exists(path))
        builtIn(marked).toImage().convertToFormat(QImage::Format_RGB888).save(path, "BMP");
    QPixmap pm(path, "BMP");
    // An unreadable file still leaves a usable mark on screen.
    return pm.isNull() ? builtIn(marked) : pm;
}

} // namespace RowMarks
