#pragma once

#include "ItemAddress.h"

#include <QHash>
#include <QObject>
#include <QString>

// Current values of every topic's items. Items come into being when first read or written; only values
// that differ from an item's initial one are held, and only so many: one client must not grow the server
// without bound.
class ValueStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Key shared by every spelling of one item of one topic; topics compare without regard to case.
    static QString keyOf(const QString& topic, const ItemAddress& address);

    // The value, or the "Server error" text of an item that cannot be parsed.
    QString read(const QString& topic, const QString& item);

    struct WriteResult {
        bool ok = false;
        QString value; // stored form
        QString error;
    };
    // Stores a value; a poke announces it even when unchanged, a simulation step only when it changed.
    enum class Announce { Always, OnChange };
    WriteResult write(const QString& topic, const QString& item, const QString& value,
                      Announce announce = Announce::Always);

    // Stores a value as a driver read it, under its key, without checking it against the item's kind. The
    // first value of a key is announced to nobody: it answered the requests waiting for it.
    void set(const QString& key, const QString& value, Announce announce = Announce::OnChange);

    // Why the value cannot be kept for the item (the store holds its most), or empty when it can.
    QString refusal(const QString& topic, const ItemAddress& address, const QString& value) const;
    // Drops the item's value (a controller's, nobody links it any more): it is read again when linked.
    void forget(const QString& key);

    static constexpr qsizetype MaxItems = 50000;
    static constexpr qsizetype MaxTopics = 1000;
    // As long as the names of the real server's conversations may be.
    static constexpr qsizetype MaxTopicLength = 255;

    static QString serverError(const QString& why) { return QStringLiteral("Server error: ") + why; }

Q_SIGNALS:
    void changed(const QString& key, const QString& value);

private:
    void store(const QString& key, const QString& value);
    void erase(QHash<QString, QString>::iterator it);

    QHash<QString, QString> m_values;
    // Items held per topic (upper case).
    QHash<QString, qsizetype> m_topicItems;
};
