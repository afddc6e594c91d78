#pragma once

#include "RunError.h"
#include "TrendModel.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QTimer;
class TrendView;

// A trend of up to eight topics from the recorded history: ranges from ten minutes to a week, a shared or
// an own value axis per pen, export of the shown range. While the range ends now it polls the history once a
// second for what was recorded since.
class TrendWindow : public QWidget {
    Q_OBJECT
public:
    TrendWindow(std::unique_ptr<history::HistoryReader> reader, TrendModel::Clock clock,
                QWidget* parent = nullptr);

    // False when the trend holds eight pens or the topic already.
    bool addTopic(const TrendTopic& topic);
    TrendModel& model() { return m_model; }
    TrendView* view() const { return m_view; }
    // Where the trend has no history yet, opens tries to open it every few polls: a recorder started after
    // the window makes the database.
    using ReaderSource = std::function<std::unique_ptr<history::HistoryReader>()>;
    void retryReader(ReaderSource opens) { m_openReader = std::move(opens); }
    QTimer* pollTimer() const { return m_poll; }

    // Shows the standard range number i (0: 10 minutes ... 4: 7 days) ending now.
    void showRange(int i);
    // Polls the history for new values.
    void poll();
    // Every pen's samples of the shown range.
    Status exportCsv(const QString& path);

private:
    void buildControls();
    void askAndExport();
    void windowChanged();
    void updateTitle();
    void updateEmptyText();
    void tryReader();

    TrendModel m_model;
    TrendView* m_view = nullptr;
    QButtonGroup* m_ranges = nullptr;
    QCheckBox* m_sharedAxis = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_poll = nullptr;
    ReaderSource m_openReader;
    int m_pollsWithoutReader = 0;
};
