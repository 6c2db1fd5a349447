#pragma once

#include "SqlText.h"

#include <QList>
#include <QString>
#include <QStringList>

// One field of a record kind, listed once: where it is stored, how the listing names
// it, how the entry dialog shows it and how much may be typed into it. The store's
// statements, the entry dialog's boxes, the query's columns and the copy of a listed
// row into the edit dialog are all built from the kind's table of these.
struct FieldDef {
    enum class Unit { Characters, GbkBytes };

    QString column;  // table column
    QString alias;   // listing alias: the grid's column title and the name a row is read by
    QString caption; // label in the entry dialog
    QString control; // object name of its box in the entry dialog
    int limit = 0;   // typing limit; 0: none
    Unit unit = Unit::Characters;
    int width = 0; // grid column width; 0: the grid's default
    // Place in the entry dialog's grid of label-and-box pairs, three to a row.
    int row = 0;
    int column3 = 0; // 0, 1 or 2
    int span = 1;
    QString printCode; // the print item that prints this field on the paper form, if any
};
using FieldTable = QList<FieldDef>;

// A record's texts in the order of its field table.
using Record = QStringList;

namespace Fields {

// "theName AS 快递公司, thePro AS 联系人, …, " (ready for the "ID " that follows).
QString SelectList(const FieldTable& fields);

// A column with a value that no box shows (a flag, a pinyin code).
struct Extra {
    QString column;
    QVariant value;
};

// "INSERT INTO SCom (theName, thePro, …, theDel) VALUES (?, ?, …, ?) "
SqlText Insert(const QString& table, const FieldTable& fields, const Record& values, const QList<Extra>& extra = {});
// "UPDATE SCom SET theName = ?, thePro = ?, … WHERE (ID = ?) "
SqlText Update(const QString& table, const FieldTable& fields, const Record& values, qint64 id,
               const QList<Extra>& extra = {});

// The part of `text` the field's box would take if it were typed or pasted in.
QString Fitted(const FieldDef& field, const QString& text);

// The value of a record under a column of its table.
QString ValueOf(const FieldTable& fields, const Record& values, const QString& column);

} // namespace Fields
