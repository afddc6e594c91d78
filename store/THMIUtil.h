#pragma once

#include "Progress.h"

#include <QDialog>

#include <array>
#include <functional>

class NodeCollection;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;

// The utility window: progress frame, PLC information, the add and rename page dialogs and the project
// manager, one frame at a time. It lives as long as its owner and is shown for one action at a time; while
// it is open the owner's top-level window is disabled.
class THMIUtil : public QDialog, public Progress {
    Q_OBJECT
public:
    enum Frame : qint16 { ProgressFrame = 0, PLCFrame = 1, AddPageFrame = 2, RenamePageFrame = 3, ProjectFrame = 4 };

    // pages is the page tree the dialogs work on; owner's window is the one disabled while this is open.
    THMIUtil(NodeCollection& pages, QWidget* owner);
    ~THMIUtil() override;

    // Opens the window on frame N (0 to 4) without blocking; the window is modal.
    void Show_Function(int frame);

    // Node index of the page open in the editor; the parent of a new page. Defaults to the tree's
    // selected node, or the root.
    void setSelectedPageIndex(std::function<int()> provider) { m_selectedPageIndex = std::move(provider); }
    int SelectedPageIndex() const;

    qint16 mode() const { return m_mode; }
    bool busy() const { return m_busy; }
    QString SelectedProjectFile() const { return m_selectedProjectFile; }
    // Pages added in this run of the program; the suffix of new page keys.
    static qint16 addedPages() { return s_addedPages; }

    // The pop-up menus the working window shows: "Topics" (Tmnu 0..2) and "PLC" (PLCmnu 0).
    QMenu* mTmnu() const { return m_mTmnu; }
    QMenu* mPLCmnu() const { return m_mPLCmnu; }
    QAction* Tmnu(int index) const { return m_Tmnu.at(static_cast<size_t>(index)); }
    QAction* PLCmnu(int index) const { return m_PLCmnu.at(static_cast<size_t>(index)); }

    // Frame 1's boxes: friendly name, PLC type, DDE topic, imported listing file.
    QLineEdit* PLCDataIn(int index) const { return m_PLCDataIn.at(static_cast<size_t>(index)); }

    // Progress frame.
    void caption(const QString& text) override;
    void percent(int value) override;

    void PB_Click(int index);
    void FileList_Click();

Q_SIGNALS:
    // Frame 1 is being opened: fill its boxes from the PLC record.
    void plcInformationOpening();
    // Save (button 0 or Enter) on frame 1.
    void plcInformationSaved();
    // "Delete Page" of the Topics menu: the working window's Delete Page action.
    void deletePageRequested();
    // "Send to Page This Structure" of the PLC menu.
    void sendStructureRequested();
    // The page tree was emptied and read again (new workspace or loaded project).
    void pageTreeReloaded();
    // The project manager saved the workspace as this project.
    void projectSaved(const QString& project);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildFrames();
    void buildMenus();
    QPushButton* makeButton(int index, const QString& caption, QWidget* frame, int left, int top, int width);
    void prepareFrame(int frame);
    void fillFileList(const QString& select = QString());
    QString dataFolder() const;

    void Add_Page();
    void Rename_Page();
    void New_Workspace();
    void LoadProject();
    void SaveProject();
    void ImportProject();
    void reloadPageTree();

    NodeCollection& m_pages;
    QWidget* m_owner;
    QWidget* m_disabledWindow = nullptr;
    std::function<int()> m_selectedPageIndex;

    qint16 m_mode = 0;
    bool m_busy = false;
    QString m_selectedProjectFile;
    static qint16 s_addedPages;

    std::array<QGroupBox*, 5> m_PFunction{};
    std::array<QPushButton*, 11> m_PB{};
    std::array<QLineEdit*, 4> m_PLCDataIn{};
    QProgressBar* m_ProgramStat = nullptr;
    QLabel* m_ProgramMSG = nullptr;
    QLabel* m_PageLBL = nullptr;
    QLineEdit* m_PageDataIn = nullptr;
    QLabel* m_PageRenameLBL = nullptr;
    QLineEdit* m_PageRenamed = nullptr;
    QLabel* m_CurrentProjectLBL = nullptr;
    QLineEdit* m_CurrentProject = nullptr;
    QListWidget* m_FileList = nullptr;

    QMenu* m_mTmnu = nullptr;
    QMenu* m_mPLCmnu = nullptr;
    std::array<QAction*, 3> m_Tmnu{};
    std::array<QAction*, 1> m_PLCmnu{};
};
