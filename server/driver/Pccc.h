#pragma once

#include "RunError.h"

#include <QByteArray>
#include <QString>

// Data-table controllers through their PCCC object over EtherNet/IP: addresses, reads, writes, bit writes
// and their replies.
namespace Pccc {

// SLC 500 and MicroLogix take typed logical commands with three address fields and masked writes; the
// PLC-5 takes word range and bit writes with a system address, and numbers its I/O in octal.
enum class Dialect { Slc, Plc5 };

struct Address {
    Dialect dialect = Dialect::Slc;
    quint8 fileType = 0;
    int file = 0;
    int element = 0;
    int word = 0;         // 16-bit word within the element
    int bit = -1;         // a bit of that word (of the 32-bit value for L files)
    int elementBytes = 2; // bytes of one whole element of the file
    int valueBytes = 2;   // bytes of the value the address names
    bool slotted = false; // I/O: elements are slots of any size, read one word at a time
    bool isFloat() const { return fileType == 0x8A; }
    bool isString() const { return fileType == 0x8D; }
};
// "N7:0", "B3/16", "T4:0.ACC", "T4:0.DN", "I:1/0", "S:1/15", "F8:3", "L9:0", "ST9:0"; for a PLC-5
// "I:012/07" is word 10, bit 7.
Result<Address> parse(const QString& item, Dialect dialect = Dialect::Slc);

// Execute PCCC to the PCCC object, carrying the requester and a command of the address's dialect.
QByteArray read(quint16 tns, const Address& at, int bytes);
QByteArray write(quint16 tns, const Address& at, const QByteArray& data);
// Sets the bits of `mask` that are set in `value` and clears the others, leaving the rest of the word.
QByteArray maskedWrite(quint16 tns, const Address& at, quint32 mask, quint32 value);
// The data of the reply to transaction `tns` out of the Execute PCCC reply.
Result<QByteArray> replyData(const QByteArray& cip, quint16 tns);
QString statusText(quint8 status, quint8 extended);

// The value at the start of `data` as text, and a written text as data.
Result<QString> text(const Address& at, const QByteArray& data);
Result<QByteArray> encode(const Address& at, const QString& text);

} // namespace Pccc
