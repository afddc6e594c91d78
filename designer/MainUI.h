#pragma once

#include <QWidget>

#include <array>
#include <memory>

class ImportViewer;
class KeyedTree;
class PageMode;
class PLCListPage;
class QMdiArea;
class QMdiSubWindow;
class QMenuBar;
class QTimer;
class TabStrip;
class TagExplorerPage;
class TagLoader;
class THMIUtil;

// The designer's working window: two levels of tab strips over the page mode (editor and viewer of a
// page) and the PLC mode (PLC list and tag explorer), each beside its tree.
class MainUI : public QWidget {
    Q_OBJECT
public:
    explicit MainUI(QWidget* parent = nullptr);
    ~MainUI() override;

    KeyedTree* pageTree() const;
    KeyedTree* tree(int k) const;
    THMIUtil* utility() const { return m_util.get(); }
    PageMode* pageMode() const { return m_pageMode; }
    PLCListPage* plcList() const { return m_plcList; }
    TagExplorerPage* tagExplorer() const { return m_tagExplorer; }
    TabStrip* programTab(int i) const { return m_programTab.at(static_cast<size_t>(i)); }
    QTimer* settleTime() const { return m_settleTime; }
    // The saved-data window and the import viewer, made on first use as windows of the parent's area.
    TagLoader* tagLoader();
    ImportViewer* importViewer();

    // Node index of the page open in the editor.
    int SelectedPageIndex() const;

    // The menus "&Actions", "Window" and "&Help" in the parent window's menu bar.
    void Build_Menus(QMenuBar* bar, QMdiArea* mdi);
    // Shows a window (this one too) maximised in the parent's area, adding it on first use.
    void showInArea(QWidget* window);

    void ProgramTab_Click(int index);
    void Tree_NodeClick(int index);
    void SettleTime_Timer();
    void Tree_MouseUp(int index, Qt::MouseButton button, const QPoint& globalPos);
    void PB_Click(int index);
    void Form_Activate();
    void Outer_Layout();

    // How long a confirmation stays in the parent window's status bar.
    static constexpr int NoteMs = 5000;

Q_SIGNALS:
    // An action succeeded; the parent window shows this for a few seconds.
    void succeeded(const QString& note);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void buildTabs();
    void buildPages();
    void connectTrees();
    void connectNotes();
    void Delete_Page();
    // orWorkingWindow: when no window is left visible, the working window comes back.
    void Maximize_Front(bool orWorkingWindow);
    void Keep_Usable(QMdiSubWindow* sub, Qt::WindowStates state);

    std::unique_ptr<THMIUtil> m_util;
    std::array<TabStrip*, 3> m_programTab{};
    std::array<QWidget*, 3> m_page{};
    PageMode* m_pageMode = nullptr;
    PLCListPage* m_plcList = nullptr;
    TagExplorerPage* m_tagExplorer = nullptr;
    QTimer* m_settleTime = nullptr;
    qint16 m_clickedTree = 1;
    QMdiArea* m_mdi = nullptr;
    TagLoader* m_tagLoader = nullptr;
    ImportViewer* m_importViewer = nullptr;
};
