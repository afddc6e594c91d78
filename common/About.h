#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QTimer;

// The About window of both programs: title, version, comments; closes on a click, a key or its timer.
class About : public QDialog {
    Q_OBJECT
public:
    enum class Program { Designer, Viewer };

    // mainWindow is disabled while the About window is open.
    About(Program program, QWidget* mainWindow);
    ~About() override;

    // "Version:  major.minor.revision" of a version text such as "1.0.24".
    static QString Version_Text(const QString& version);

    void Timer1_Timer();
    QTimer* timer1() const { return m_timer1; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load(Program program);

    QPointer<QWidget> m_mainWindow;
    QLabel* m_info[4] = {};
    QTimer* m_timer1 = nullptr;
};
