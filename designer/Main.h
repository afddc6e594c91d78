#pragma once

#include <QMainWindow>

class QMdiArea;
class MainUI;

// The designer's parent window: sets the shared state and holds the working windows.
class Main : public QMainWindow {
    Q_OBJECT
public:
    // appFolder overrides the executable's folder (tests use a temporary one).
    explicit Main(const QString& appFolder = QString(), QWidget* parent = nullptr);

    MainUI* workWindow() const { return m_mainUI; }
    QMdiArea* mdiArea() const { return m_mdi; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load(const QString& appFolder);

    QMdiArea* m_mdi = nullptr;
    MainUI* m_mainUI = nullptr;
};
