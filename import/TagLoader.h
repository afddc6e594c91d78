#pragma once

#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>

class ImportViewer;
class KeyedTree;
class QMenu;
class QPlainTextEdit;
class SplitterGrip;
class THMIUtil;

// "Saved PLC Data": imports a controller's tag export into FlagTree, shows the clicked node in TagDatVal(0)
// and its children in TagDatVal(1), and saves the tree as a structure file after the PLC Information frame.
class TagLoader : public QMainWindow {
    Q_OBJECT
public:
    // util shows progress and the PLC Information frame (none: no progress, and "&Save PLC" cannot run);
    // viewer is the import viewer "&View Import" shows (none: viewImportRequested is emitted instead).
    explicit TagLoader(THMIUtil* util, ImportViewer* viewer = nullptr, QWidget* parent = nullptr);

    // Asks for the export to import; the open-file dialog unless replaced. Empty means cancelled.
    std::function<QString()> chooseFile;

    // "&Load Tags" (0), "&View Import" (1), "&Save PLC" (2), "&Done" (5).
    void mnu_Click(int index);
    // Imports a chosen file into FlagTree with the pipeline its kind needs.
    void Load_Tags_From(const QString& path);
    // Shows a node's details (index 1..count; 0 empties the boxes).
    void FlagTree_NodeClick(int index);
    void Form_Resize();

    KeyedTree* FlagTree() const { return m_flagTree; }
    QPlainTextEdit* TagDatVal(int index) const { return m_tagDatVal.at(size_t(index)); }
    SplitterGrip* splitter() const { return m_splitter; }
    // The texts of the boxes as built, lines ended by CR LF.
    QString detailText(int index) const { return m_details.at(size_t(index)); }
    // The export imported last; empty before the first import.
    QString filePath() const { return m_path; }

    static constexpr int MarginTwips = 25;
    static constexpr int SplitterLimitTwips = 3000;

Q_SIGNALS:
    // The tree was saved as this structure file: the PLC list can be rebuilt now.
    void plcSaved(const QString& structureFile);
    // "&View Import" without an import viewer of its own.
    void viewImportRequested(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void View_Import();
    void Save_PLC();
    void PLCInformation_Saved();
    void setDetails(int index, const QString& text);
    void fillWindowMenu();
    bool minimized() const;

    THMIUtil* m_util;
    ImportViewer* m_viewer;
    QWidget* m_pane;
    KeyedTree* m_flagTree;
    std::array<QPlainTextEdit*, 2> m_tagDatVal{};
    std::array<QString, 2> m_details;
    SplitterGrip* m_splitter;
    QMenu* m_windowMenu;
    QString m_path;
    int m_splitX;
    // Set while the PLC Information frame is open for this window's tree.
    bool m_savePending = false;
};
