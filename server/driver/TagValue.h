#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Values of Logix tags: the type a read reports and the data after it, as text and back.
namespace TagValue {

struct Typed {
    QByteArray type; // two bytes, four for a structure (0xA0 0x02 and its handle)
    QByteArray data;
};

// Splits the data of a Read Tag reply and checks the data against the type's size.
Result<Typed> fromReply(const QByteArray& replyData);
// Splits a piece of a fragmented reply, whatever the size of its data; refuses a type not served.
Result<Typed> piece(const QByteArray& replyData);
// The `count` values of a read of neighbouring elements, each as wide as the type.
Result<QList<Typed>> elements(const Typed& whole, int count);
// Bytes of one value of the type; 0 for a type the driver does not know.
int width(const QByteArray& type);
bool isInteger(const QByteArray& type);

// The value as the links show it; `bit` >= 0 picks one bit of an integer.
Result<QString> text(const Typed& value, int bit = -1);
// Data of a Write Tag request of the type holding `text`.
Result<QByteArray> encode(const QByteArray& type, const QString& text);

} // namespace TagValue
