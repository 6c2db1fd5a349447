#pragma once

#include <QDate>
#include <QString>

// Dates everywhere, on screen, in the database and on paper, read yyyy-mm-dd.
inline const QString DateFormat = QStringLiteral("yyyy-MM-dd");

inline QString DateText(const QDate& date) { return date.toString(DateFormat); }
