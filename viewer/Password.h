#pragma once

#include <QDate>
#include <QString>

// The day's logon password: six digits that depend on the date alone, so every viewer on a site
// accepts the same password on the same day and a new one the next day.
QString ExpectedPassword(const QDate& date);
