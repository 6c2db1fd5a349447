#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// One SQL statement with its values. The statement text keeps the shape the windows
// are written against; every value a user typed travels as a bound parameter ("?"),
// so no quote or wildcard in it can change what the statement means.
struct SqlText {
    QString sql;
    QVariantList values;

    SqlText() = default;
    SqlText(QString text, QVariantList bound = {}) : sql(std::move(text)), values(std::move(bound)) {}
};
