#include "WholeNumber.h"

#include <QRegularExpression>

#include <cmath>

namespace WholeNumber {

namespace {

// Digits with an optional fraction: "-12", "12.5", ".5", "7.".
Fit decimal(const QRegularExpressionMatch& m, qint64* value)
{
    QString whole = m.captured(1) + m.captured(2);
    if (m.captured(2).isEmpty())
        whole += QLatin1Char('0');
    bool ok = false;
    qint64 v = whole.toLongLong(&ok);
    if (!ok)
        return Fit::OutOfRange;
    const QString fraction = m.captured(3);
    if (!fraction.isEmpty() && fraction[0] >= QLatin1Char('5')) {
        const qint64 step = m.captured(1) == QLatin1String("-") ? -1 : 1;
        if (__builtin_add_overflow(v, step, &v))
            return Fit::OutOfRange;
    }
    *value = v;
    return Fit::Ok;
}

Fit scientific(const QString& text, qint64* value)
{
    bool ok = false;
    const double d = std::round(text.toDouble(&ok));
    if (!ok || !std::isfinite(d))
        return Fit::NotNumber;
    // 2^63 is exact in a double; every double below it in magnitude fits.
    if (d < -0x1p63 || d >= 0x1p63)
        return Fit::OutOfRange;
    *value = static_cast<qint64>(d);
    return Fit::Ok;
}

} // namespace

Fit parse(const QString& text, qint64 low, qint64 high, qint64* value)
{
    static const QRegularExpression form(QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?$"));
    const QString t = text.trimmed();
    const QRegularExpressionMatch m = form.match(t);
    qint64 v = 0;
    const bool digits = !m.captured(2).isEmpty() || !m.captured(3).isEmpty();
    const Fit fit = m.hasMatch() && digits ? decimal(m, &v) : scientific(t, &v);
    if (fit != Fit::Ok)
        return fit;
    if (v < low || v > high)
        return Fit::OutOfRange;
    *value = v;
    return Fit::Ok;
}

} // namespace WholeNumber
