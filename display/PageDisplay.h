#pragma once

#include "RunError.h"
#include "TopicRecord.h"

#include <QWidget>

#include <vector>

class DrawSurface;
class LinkBox;
class QCheckBox;
class QLineEdit;
class QScrollBar;
class QTimer;

// A page shown as a sheet of live values: the title, then per topic a value box, a bit box and the
// description. Builds, links, polls and writes; the designer's viewer pane and the runtime viewer use it.
class PageDisplay : public QWidget {
    Q_OBJECT
public:
    struct Options {
        bool hasOnLineBox = true; // the viewer is always online and has none
        int pollInterval = 50;    // ms
        QString valueToolTip;     // shown on every value box
    };

    explicit PageDisplay(QWidget* parent = nullptr) : PageDisplay(Options{}, parent) {}
    PageDisplay(const Options& options, QWidget* parent = nullptr);

    // Guard flags: the program is rewriting value boxes, or writing one.
    bool SystemOnline = false;
    bool DisplayBusy = false;
    bool WriteInProgress = false;

    // Building the sheet.
    void LoadDDE(const QString& title, const std::vector<TopicRecord>& topics, int topicCount);
    void Hide_DDETopics();
    void Clear_DDEPage();

    // Online state, polling and writes.
    void OnLine_Click();
    void ForceOffline();
    // The viewer is online from the start.
    void setAlwaysOnline();
    void PollTopics_Timer();
    void DataTopic_Change(int index);
    void DataTopic_GotFocus(int index);
    void BitStat_MouseUp(int index);
    void BeginValueEdit(int index);
    void EndValueEdit(int index);
    void DataTopicOut_KeyUp(int index, int keyCode);
    void DataTopicOut_LostFocus(int index);
    void Scroll_V_Change();
    void Scroll_H_Change();

    // Opening a page: both scroll bars back to 0 and one poll.
    void resetScroll();
    void startPoll();

    // Viewport and scroll bars follow the pane's size.
    void LayoutPane();

    int elementCount() const { return static_cast<int>(m_dataTopic.size()); }
    LinkBox* dataTopic(int i) const { return m_dataTopic.at(static_cast<size_t>(i)); }
    QLineEdit* dataTopicOut(int i) const { return m_dataTopicOut.at(static_cast<size_t>(i)); }
    QCheckBox* bitStat(int i) const { return m_bitStat.at(static_cast<size_t>(i)); }
    QCheckBox* onLine() const { return m_onLine; }
    QTimer* pollTopics() const { return m_pollTopics; }
    DrawSurface* surface() const { return m_display; }
    QWidget* viewport() const { return m_viewer; }
    QScrollBar* scrollV() const { return m_scrollV; }
    QScrollBar* scrollH() const { return m_scrollH; }
    int topicCount() const { return m_topicCount; }

Q_SIGNALS:
    // The operator typed, clicked a bit or scrolled (the viewer counts it as activity).
    void userActivity();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createTemplates();
    void addElements(int index);
    void placeRow(int index);
    void linkAll();
    void unlinkAll();
    // Grows the surface to hold every row of the page.
    void fitSurface(int topicCount);
    void setOnLineLook(bool online);
    void linkStateChanged();
    // Sets a value box's text for a write and pokes it; on failure the old text (and bit) comes back.
    void writeValue(int index, const QString& text, const QString& handler);
    void showBit(int index);
    void showValueMenu(int index, const QPoint& globalPos);
    // Hides an edit box without its focus loss writing it.
    void hideValueEdit(int index);
    // An edit left open when the page goes away is closed without writing.
    void closeValueEdits();
    void reportLoadRSLinxFailure(const Status& started);
    void setScrollRange(QScrollBar* bar, int range, int smallDivisor, int largeDivisor);
    const TopicRecord& topic(int index) const;

    Options m_options;
    std::vector<TopicRecord> m_topics;
    int m_topicCount = 0;
    // Counts page teardowns: a link or write that waited can tell its page is gone.
    quint64 m_build = 0;
    // The edit box being closed; its own focus loss must not close it a second time.
    int m_closingEdit = -1;

    QCheckBox* m_onLine = nullptr;
    QTimer* m_pollTopics = nullptr;
    QScrollBar* m_scrollV = nullptr;
    QScrollBar* m_scrollH = nullptr;
    QWidget* m_viewer = nullptr;
    DrawSurface* m_display = nullptr;

    std::vector<LinkBox*> m_dataTopic;
    std::vector<QLineEdit*> m_dataTopicOut;
    std::vector<QCheckBox*> m_bitStat;
};
