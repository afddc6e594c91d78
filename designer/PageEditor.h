#pragma once

#include <QString>
#include <QWidget>

#include <array>

class KeyedTree;
class MarkGrid;
class PageDisplay;
class QLabel;
class QLineEdit;
class QPushButton;
class THMIUtil;

// The editor pane of the working window: the open page's title and topics, flag clicks, descriptions,
// row marks and the page actions of buttons 8 to 12. Every change goes to its file at once.
class PageEditor : public QWidget {
    Q_OBJECT
public:
    PageEditor(KeyedTree* pageTree, PageDisplay* display, QWidget* window, QWidget* parent);
    // The utility window whose page dialogs buttons 8 opens.
    void setUtility(THMIUtil* util) { m_util = util; }

    // Node index of the open page (the root until another page is opened).
    int SelectedPageIndex = 1;
    QString PageTitleValue;
    QString DescriptionValue;
    int LastRow = 0;

    void Setup_Editor();
    // Opens the open page again, so topics added to its file show at once.
    void reopen();
    void IniGrid();
    void Load_DDEEditor();
    void Editor_Action(int index);
    void DDEEditor_MouseUp(int row, int column, int xTwips);
    void DDEEditor_RowChange(int row);
    void DDEEditor_KeyDown(int key);
    void TopicDescription_KeyDown(int key);
    void PageTitle_KeyDown(int key);
    void PageTitle_LostFocus();
    // Lays out the pane: buttons in a row, boxes and the grid stretched to the pane.
    void Layout_Pane();

    MarkGrid* grid() const { return m_grid; }
    QPushButton* PB(int index) const { return m_pb.at(static_cast<size_t>(index - 8)); }
    QLineEdit* pageTitle() const { return m_pageTitle; }
    QLineEdit* topicDescription() const { return m_topicDescription; }

Q_SIGNALS:
    // A page was opened in the editor and the display.
    void pageOpened(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildDisplay();
    void saveTopics();
    void updateDeleteSelected();

    KeyedTree* m_pageTree;
    PageDisplay* m_display;
    THMIUtil* m_util = nullptr;
    QWidget* m_window;
    std::array<QPushButton*, 5> m_pb{};
    QLabel* m_pageTitleLbl;
    QLabel* m_topicDescriptionLbl;
    QLineEdit* m_pageTitle;
    QLineEdit* m_topicDescription;
    QWidget* m_dummy;
    MarkGrid* m_grid;
};
