#include "ItemAddress.h"

#include "WholeNumber.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

ItemAddress refuse(const QString& item, const QString& why)
{
    ItemAddress a;
    a.canonical = item;
    a.error = why;
    return a;
}

ItemAddress accept(ItemAddress::Kind kind, const QString& canonical)
{
    ItemAddress a;
    a.valid = true;
    a.kind = kind;
    a.canonical = canonical;
    return a;
}

constexpr int ElementsPerFile = 1000;

// Data-table addresses: type letters, file number, ':' element, then '.' sub-element and/or '/' bit.
ItemAddress parseAddress(const QString& item)
{
    static const QRegularExpression form(QStringLiteral("^(ST|O|I|S|B|T|C|R|N|F|L|A)(\\d{1,3})?(?::(\\d{1,3})"
                                                        "(?:\\.([A-Z]{2,3}|\\d{1,3}))?)?(?:/(\\d{1,5}))?$"));
    const QString up = item.toUpper();
    const QRegularExpressionMatch m = form.match(up);
    if (!m.hasMatch())
        return refuse(item, QStringLiteral("'%1' is not a data table address").arg(item));

    const QString type = m.captured(1);
    const bool hasFile = m.hasCaptured(2), hasElement = m.hasCaptured(3), hasSub = m.hasCaptured(4),
               hasBit = m.hasCaptured(5);
    const int element = m.captured(3).toInt(), bit = m.captured(5).toInt();
    const QString sub = m.captured(4);

    // I/O and status have fixed files; every other type needs its own file number, 3 and up. Files and
    // elements go as far as the largest family's (a PLC-5's 999); each driver checks its own.
    int file = 0;
    const int fixedFile = type == QLatin1String("O")   ? 0
                          : type == QLatin1String("I") ? 1
                          : type == QLatin1String("S") ? 2
                                                       : -1;
    if (fixedFile >= 0) {
        file = hasFile ? m.captured(2).toInt() : fixedFile;
        if (file != fixedFile)
            return refuse(item, QStringLiteral("%1 lives in file %2").arg(type).arg(fixedFile));
    } else {
        if (!hasFile)
            return refuse(item, QStringLiteral("'%1' has no file number").arg(item));
        file = m.captured(2).toInt();
        if (file < 3)
            return refuse(item, QStringLiteral("file number %1 out of range").arg(file));
    }
    const QString head = type + QString::number(file);

    // "B3/16": a bit counted from the start of the file.
    if (!hasElement) {
        if (type != QLatin1String("B") || !hasBit)
            return refuse(item, QStringLiteral("'%1' has no element").arg(item));
        if (bit >= ElementsPerFile * 16)
            return refuse(item, QStringLiteral("bit %1 out of range").arg(bit));
        return accept(ItemAddress::Kind::Bit, head + QLatin1Char('/') + QString::number(bit));
    }
    // I/O: an SLC's slots go to 30, a PLC-5's octal rack and group words to 277; each driver checks its own.
    const bool io = fixedFile == 0 || fixedFile == 1;
    if (io && element > 277)
        return refuse(item, QStringLiteral("element %1 out of range").arg(element));
    QString canonical = head + QLatin1Char(':') + QString::number(element);

    ItemAddress::Kind kind = type == QLatin1String("L") ? ItemAddress::Kind::Int32 : ItemAddress::Kind::Int16;
    const bool structured =
        type == QLatin1String("T") || type == QLatin1String("C") || type == QLatin1String("R");
    if (hasSub) {
        bool numeric = false;
        const int word = sub.toInt(&numeric);
        if (numeric) {
            if (!(io || structured) || word > (io ? 255 : 2))
                return refuse(item, QStringLiteral("'%1' has no word %2").arg(head).arg(word));
            canonical += QLatin1Char('.') + QString::number(word);
        } else {
            static const QStringList timer = {"ACC", "PRE", "EN", "TT", "DN"};
            static const QStringList counter = {"ACC", "PRE", "CU", "CD", "DN", "OV", "UN", "UA"};
            static const QStringList control = {"LEN", "POS", "EN", "EU", "DN", "EM", "ER", "UL", "IN", "FD"};
            const QStringList& members = type == QLatin1String("T")   ? timer
                                         : type == QLatin1String("C") ? counter
                                         : type == QLatin1String("R") ? control
                                                                      : QStringList();
            if (!members.contains(sub))
                return refuse(item, QStringLiteral("'%1' has no member %2").arg(head).arg(sub));
            canonical += QLatin1Char('.') + sub;
            static const QStringList words = {"ACC", "PRE", "LEN", "POS"};
            if (!words.contains(sub)) {
                if (hasBit)
                    return refuse(item, QStringLiteral("%1 is a bit already").arg(sub));
                kind = ItemAddress::Kind::Bit;
            }
        }
    } else if (structured) {
        return refuse(item, QStringLiteral("'%1' needs a member such as .ACC").arg(item));
    }

    if (type == QLatin1String("F") || type == QLatin1String("ST")) {
        if (hasSub || hasBit)
            return refuse(item, QStringLiteral("%1 elements have no bits").arg(type));
        kind = type == QLatin1String("F") ? ItemAddress::Kind::Float : ItemAddress::Kind::Text;
    } else if (hasBit) {
        const int bits = kind == ItemAddress::Kind::Int32 ? 32 : (io && !hasSub) ? 32 : 16;
        if (bit >= bits)
            return refuse(item, QStringLiteral("bit %1 out of range").arg(bit));
        canonical += QLatin1Char('/') + QString::number(bit);
        kind = ItemAddress::Kind::Bit;
    }
    return accept(kind, canonical);
}

// Logix names: a letter or '_' first, letters, digits and single '_' after, at most 40 characters.
bool isIdentifier(const QString& s)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,39}$"));
    return name.match(s).hasMatch() && !s.contains(QLatin1String("__")) && !s.endsWith(QLatin1Char('_'));
}

ItemAddress parseTag(const QString& item)
{
    QString rest = item;
    QString canonical;
    static const QString program = QStringLiteral("PROGRAM:");
    if (rest.startsWith(program, Qt::CaseInsensitive)) {
        rest = rest.mid(program.size());
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        if (dot < 0 || !isIdentifier(rest.left(dot)))
            return refuse(item, QStringLiteral("'%1' names no program tag").arg(item));
        canonical = program + rest.left(dot).toUpper() + QLatin1Char('.');
        rest = rest.mid(dot + 1);
    }

    // Segments: a name with optional [i] or [i,j,k] subscripts; a final all-digit segment is a bit.
    const QStringList segments = rest.split(QLatin1Char('.'));
    static const QRegularExpression segmentForm(
        QStringLiteral("^([^\\[\\]]+)(?:\\[(\\d{1,5}(?:,\\d{1,5}){0,2})\\])?$"));
    ItemAddress::Kind kind = ItemAddress::Kind::Number;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString& s = segments[i];
        static const QRegularExpression bitForm(QStringLiteral("^\\d+$"));
        if (i > 0 && i == segments.size() - 1 && bitForm.match(s).hasMatch()) {
            // An integer is at most 64 bits wide; the driver checks the tag's own width.
            bool small = false;
            const int bit = s.toInt(&small);
            if (!small || bit > 63)
                return refuse(item, QStringLiteral("bit %1 out of range").arg(s));
            canonical += QLatin1Char('.') + QString::number(bit);
            kind = ItemAddress::Kind::Bit;
            break;
        }
        const QRegularExpressionMatch m = segmentForm.match(s);
        if (!m.hasMatch() || !isIdentifier(m.captured(1)))
            return refuse(item, QStringLiteral("'%1' is not an address or tag").arg(item));
        if (i > 0)
            canonical += QLatin1Char('.');
        canonical += m.captured(1).toUpper();
        if (m.hasCaptured(2)) {
            QStringList subscripts;
            for (const QString& n : m.captured(2).split(QLatin1Char(',')))
                subscripts << QString::number(n.toInt());
            canonical += QLatin1Char('[') + subscripts.join(QLatin1Char(',')) + QLatin1Char(']');
        }
    }
    return accept(kind, canonical);
}

bool toNumber(const QString& text, double* value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

} // namespace

ItemAddress ItemAddress::parse(const QString& item)
{
    if (item.trimmed().isEmpty())
        return refuse(item, QStringLiteral("no item given"));
    if (item.size() > 255)
        return refuse(item.left(40) + QStringLiteral("..."), QStringLiteral("item too long"));
    // Tag names never hold ':' or '/', so either one means a data-table address.
    if (!item.startsWith(QLatin1String("Program:"), Qt::CaseInsensitive) &&
        (item.contains(QLatin1Char(':')) || item.contains(QLatin1Char('/')))) {
        // "T4:0/DN" names the same status bit as "T4:0.DN".
        static const QRegularExpression slashMember(QStringLiteral("^([TCR]\\d+:\\d+)/([A-Z]{2})$"),
                                                    QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = slashMember.match(item);
        ItemAddress a = parseAddress(m.hasMatch() ? m.captured(1) + QLatin1Char('.') + m.captured(2) : item);
        a.table = true;
        return a;
    }
    return parseTag(item);
}

ItemAddress::Normalized ItemAddress::normalize(const QString& value) const
{
    Normalized n;
    if (kind == Kind::Text) {
        if (value.size() > 82)
            n.error = QStringLiteral("text longer than 82 characters");
        else
            n = {true, value, {}};
        return n;
    }
    double v = 0;
    if (!toNumber(value, &v)) {
        n.error = QStringLiteral("'%1' is not a number").arg(value.left(40));
        return n;
    }
    switch (kind) {
    case Kind::Bit:
        return {true, v == 0 ? QStringLiteral("0") : QStringLiteral("1"), {}};
    case Kind::Int16:
    case Kind::Int32: {
        const qint64 limit = kind == Kind::Int16 ? 32768 : 2147483648;
        qint64 whole = 0;
        if (WholeNumber::parse(value, -limit, limit - 1, &whole) != WholeNumber::Fit::Ok) {
            n.error = QStringLiteral("%1 out of range").arg(value.trimmed().left(40));
            return n;
        }
        return {true, QString::number(whole), {}};
    }
    case Kind::Float:
        if (std::fabs(v) > 3.4028235e38) {
            n.error = QStringLiteral("%1 out of range").arg(value.trimmed());
            return n;
        }
        return {true, QString::number(static_cast<float>(v), 'g', 7), {}};
    default:
        return {true, QString::number(v, 'g', 15), {}};
    }
}
