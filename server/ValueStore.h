#pragma once

#include "ItemAddress.h"

#include <QHash>
#include <QObject>
#include <QString>

// Current values of every topic's items. Items come into being when first read or written.
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

    qsizetype size() const { return m_values.size(); }

    static QString serverError(const QString& why) { return QStringLiteral("Server error: ") + why; }

Q_SIGNALS:
    void changed(const QString& key, const QString& value);

private:
    QHash<QString, QString> m_values;
};
