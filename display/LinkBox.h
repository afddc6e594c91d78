#pragma once

#include "RunError.h"

#include <QDateTime>
#include <QLineEdit>
#include <QList>
#include <QString>

#include <span>

// A linked value box: a single-line text box whose text can follow an item of the communication
// server ("automatic" link) and be written back to it (LinkPoke).
class LinkBox : public QLineEdit {
    Q_OBJECT
public:
    explicit LinkBox(int index = 0, QWidget* parent = nullptr);
    ~LinkBox() override;

    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

    // Application, '|', topic: "RSLinx|Line1".
    QString LinkTopic;
    // Address or tag inside the topic.
    QString LinkItem;
    // Tenths of a second a link operation may wait; negative values count as unsigned, as they always have.
    qint16 LinkTimeout = 50;

    // 0 none, 1 automatic.
    int LinkMode() const { return m_mode; }
    // 1: opens the link and sets the text to the current value at once, then to every change; on failure
    // (282 no server, 286 time-out, others) the box stays unlinked. 0: drops the link, keeps the text.
    // Setting 1 on a linked box links anew with the current topic and item. While the connection to the
    // server is lost, a link that finds no server waits, not current, for the link to come back.
    Status setLinkMode(int mode);
    // setLinkMode(1) for every box, with every link asked for before the first answer is awaited (a page
    // comes online in one round trip, not one per box). One status per box, in order.
    static QList<Status> linkAll(std::span<LinkBox* const> boxes);
    // Sends the text as the item's new value over the open link.
    Status LinkPoke();

    QString Text() const { return text(); }
    void setText_(const QString& text) { setText(text); }

    // LinkTimeout in milliseconds, at least one tenth.
    int timeoutMs() const;

    // The link was lost: the text is the last value, no longer the current one.
    bool isStale() const { return m_stale; }
    // When the link last confirmed the box's value (a new value, or the server heard from while linked);
    // invalid before the first value.
    const QDateTime& lastValueAt() const { return m_lastValueAt; }

Q_SIGNALS:
    // The text changed, by a pushed value or by the program.
    void Change(int index);

protected:
    bool event(QEvent* event) override;

private:
    friend class LinkBackend;
    friend class LinkRecovery;
    // The topic part of LinkTopic when it names the server's application; empty otherwise.
    QString serverTopic() const;
    // Opens the links of the boxes with their current topics and items; each box is current again once its
    // link succeeds. One status per box, in order.
    static QList<Status> openAll(const QList<LinkBox*>& boxes);
    // Takes the outcome of a link asked for with the given serial; the value is shown after.
    Status opened(const QString& topic, const QString& item, quint64 serial, const Result<QString>& value);
    // Lets the link go, if any; a link wait under way finds the box changed.
    void release();
    void linkValue(const QString& value);
    // The server was heard from at that time while the box was linked.
    void confirmedAt(const QDateTime& at);
    // The program's side let the link go (shutting down).
    void linkDropped() { m_mode = 0; }
    // The server's side went away: the link is wanted still and comes back with the server.
    void linkLost();
    // Recovery gave up on this box: it stays unlinked and not current.
    void recoveryFailed() { m_mode = 0; }
    void setStale(bool stale);

    int m_index = 0;
    int m_mode = 0;
    bool m_stale = false;
    // Counts link changes, so a link wait can tell that the box was unlinked or linked anew meanwhile.
    quint64 m_linkSerial = 0;
    QDateTime m_lastValueAt;
    // Look and tool tip of the box while its value is current.
    QFont m_currentFont;
    QPalette m_currentPalette;
    QString m_currentToolTip;
    // Topic (without the application) and item of the open link; pokes and unlinking use these.
    QString m_linkedTopic;
    QString m_linkedItem;
};
