#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// The day's logon password: six digits from the site's secret key and the date, so every viewer of a site
// accepts the same password on the same day and a new one the next day, and nobody without the key can
// work it out.
QString ExpectedPassword(const QByteArray& siteKey, const QDate& date);

// Six decimal digits from a message authentication code, by the dynamic truncation of one-time passwords.
QString TruncateToDigits(const QByteArray& mac);
