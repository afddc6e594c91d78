#pragma once

#include <QMainWindow>
#include <QString>

class ListingModel;
class Progress;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTableView;

// Shows a raw tag export as a table, with the details of the selected row above it.
class ImportViewer : public QMainWindow {
    Q_OBJECT
public:
    explicit ImportViewer(QWidget* parent = nullptr);

    // The progress frame that loading reports to; none by default.
    void setProgress(Progress* progress) { m_progress = progress; }

    // "&Load" (0) asks for a CSV file and shows it; "&Done" (1) closes the window.
    void mnu_Click(int index);
    // Shows a file as the dialog's choice would; false, with a message, when it cannot be read.
    bool Load_Listing(const QString& path);

    // The details of a data row (1-based), lines separated by CR LF; as TDat shows them.
    QString rowDetails(int row) const;
    QString detailText() const { return m_details; }

    int exportKind() const { return m_kind; }
    QString filePath() const { return m_path; }
    ListingModel* listing() const { return m_model; }

    static constexpr int SpareTwips = 150;

private:
    void TagList_SelChange();
    void setWidths();
    void fillWindowMenu();

    QPlainTextEdit* m_tdat;
    QTableView* m_tagList;
    QLabel* m_wVal;
    QMenu* m_windowMenu;
    ListingModel* m_model;
    Progress* m_progress = nullptr;
    QString m_path;
    QString m_details;
    int m_kind = 0;
};
