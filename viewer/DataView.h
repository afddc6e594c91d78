#pragma once

#include "Logon.h"
#include "ViewerProject.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class KeyedTree;
class PageDisplay;
class QComboBox;
class QLabel;
class QTimer;
class SplitterGrip;

// The viewer's window: project list, page tree, the live page, and the status strip with its countdowns.
class DataView : public QMainWindow {
    Q_OBJECT
public:
    // appFolder overrides the executable's folder (tests use a temporary one).
    explicit DataView(const QString& appFolder = QString(), QWidget* parent = nullptr);

    // Logon state and window state that outlive single events.
    LogonState Logon_State;
    bool ActivitySeen = false;
    QString IdleCountdownText;

    void ProjectList_Click(const QString& text);
    void Open_DDEProject(const QString& fileName);
    void ProgTree_NodeClick(int index);
    void Open_DDEPage(const QString& key);
    void NoteActivity();
    void RefreshStatusBar();
    void FitPanes();
    void LayoutDisplayArea();
    void PlaceSplitter(int x);
    void Form_Activate();
    void ShowLogon();
    void LogonTime_Timer();
    void ShutDown_Timer();

    // Ends the program; tests replace it.
    std::function<void()> End_Program;

    QComboBox* projectList() const { return m_projectList; }
    KeyedTree* progTree() const { return m_progTree; }
    PageDisplay* display() const { return m_display; }
    QLabel* status(int i) const { return m_status[i]; }
    // "Link lost" on the status strip while the link to the communication server is down.
    QLabel* linkStatus() const { return m_linkStatus; }
    QTimer* shutDownTimer() const { return m_shutDown; }
    QTimer* logonTimer() const { return m_logonTime; }
    SplitterGrip* splitter() const { return m_splitter; }
    const ViewerProject::PageTopics& page() const { return m_page; }
    QLabel* noProjectHint() const { return m_noProjectHint; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void InitViewer(const QString& appFolder);
    void buildControls();
    void buildMenus();
    void openPage(int index);
    void reopenPage();
    void List_Projects();
    void showNoProjectHint();

    QWidget* m_client = nullptr;
    QComboBox* m_projectList = nullptr;
    KeyedTree* m_progTree = nullptr;
    SplitterGrip* m_splitter = nullptr;
    PageDisplay* m_display = nullptr;
    QLabel* m_mainStatus = nullptr;
    QLabel* m_status[2] = {};
    QLabel* m_noProjectHint = nullptr;
    QLabel* m_linkStatus = nullptr;
    QTimer* m_shutDown = nullptr;
    QTimer* m_logonTime = nullptr;
    QPointer<Logon> m_logon;

    QString m_projectFile;
    QString m_shownPage; // key of the page shown, empty when none
    ViewerProject::PageTopics m_page;
    qint16 m_shutdownMinutes = 0;
    qint16 m_logonMinutes = 0;
};
