#pragma once

#include <QString>
#include <QtGlobal>

// A written number as a whole number of an integer type. Decimal digits are taken exactly, so no value
// beyond a double's 53 bits is rounded into range; a fraction rounds half away from zero, an exponent
// ("1e3") goes through a double.
namespace WholeNumber {

enum class Fit { Ok, NotNumber, OutOfRange };
Fit parse(const QString& text, qint64 low, qint64 high, qint64* value);

} // namespace WholeNumber
