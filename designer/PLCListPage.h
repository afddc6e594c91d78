#pragma once

#include "TreePane.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class TagExplorerPage;

// The PLC list: saved controllers grouped by type, the record of the selected one and its actions.
class PLCListPage : public TreePane {
    Q_OBJECT
public:
    explicit PLCListPage(QWidget* parent);
    void setTagExplorer(TagExplorerPage* explorer) { m_explorer = explorer; }

    // Full path of the loaded controller's structure file; node position of the loaded controller (0: none).
    QString StructureFilePath;
    qint16 LoadedPLCIndex = 0;

    void Setup_PLCList();
    void PLCList_Command(int index);
    // Rebuilds the list from the structure files, keeping track of the loaded controller.
    void Rebuild_List();

    QPushButton* PB(int index) const { return m_pb.at(static_cast<size_t>(index)); }
    QLineEdit* PLCDataIn(int index) const { return m_dataIn.at(static_cast<size_t>(index)); }
    QLabel* PLCDataInLbl(int index) const { return m_dataInLbl.at(static_cast<size_t>(index)); }

    void Inner_Layout() override;

Q_SIGNALS:
    void commandClicked(int index);
    // "&Update" rewrote the loaded controller's structure file.
    void updated(const QString& structureFile);

private:
    void Load_PLC();
    void Update_PLC();
    void Delete_PLC();
    void showLoadedState();
    // Empties the tag explorer and marks no controller loaded.
    void forgetLoaded();

    TagExplorerPage* m_explorer = nullptr;
    std::array<QPushButton*, 3> m_pb{};
    std::array<QLabel*, 4> m_label{};
    std::array<QLineEdit*, 2> m_dataIn{};
    std::array<QLabel*, 2> m_dataInLbl{};
};
