#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

// A picture box that keeps what is drawn on it until cleared. Positions are in twips.
class DrawSurface : public QWidget {
    Q_OBJECT
public:
    explicit DrawSurface(QWidget* parent = nullptr);

    // Drawing position and colour used by printText.
    double CurrentX = 0;
    double CurrentY = 0;
    QColor ForeColor = QColor(0, 0, 0);

    void clear();
    void drawLine(double x1, double y1, double x2, double y2, const QColor& colour);
    // Prints at the drawing position in ForeColor and the widget's font.
    void printText(const QString& text);

    // What was printed since the last clear, in order; lets a reader (or test) see the texts.
    const QStringList& printed() const { return m_printed; }
    const QPixmap& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_picture;
    QStringList m_printed;
};
