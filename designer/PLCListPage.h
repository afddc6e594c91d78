#pragma once

#include "TreePane.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

// The PLC list: saved controllers grouped by type, the record of the selected one and its actions.
class PLCListPage : public TreePane {
    Q_OBJECT
public:
    explicit PLCListPage(QWidget* parent);

    QPushButton* PB(int index) const { return m_pb.at(static_cast<size_t>(index)); }
    QLineEdit* PLCDataIn(int index) const { return m_dataIn.at(static_cast<size_t>(index)); }
    QLabel* PLCDataInLbl(int index) const { return m_dataInLbl.at(static_cast<size_t>(index)); }

    void Inner_Layout() override;

Q_SIGNALS:
    void commandClicked(int index);

private:
    std::array<QPushButton*, 3> m_pb{};
    std::array<QLabel*, 4> m_label{};
    std::array<QLineEdit*, 2> m_dataIn{};
    std::array<QLabel*, 2> m_dataInLbl{};
};
