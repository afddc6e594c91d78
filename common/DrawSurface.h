#pragma once

#include <QColor>
#include <QFont>
#include <QLine>
#include <QRect>
#include <QWidget>

#include <vector>

// A picture box that keeps what is drawn on it until cleared. Positions are in twips.
// What is drawn is kept as lines and texts, not as a picture, so a surface as tall as a long page costs
// no more than what is on it.
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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Line {
        QLine line;
        QColor colour;
    };
    struct Text {
        QRect bounds;
        int baseline;
        QString text;
        QColor colour;
        QFont font;
    };
    std::vector<Line> m_lines;
    std::vector<Text> m_texts;
    QStringList m_printed;
};
