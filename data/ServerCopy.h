#pragma once

#include "DatabaseSetting.h"

#include <QList>
#include <QString>
#include <functional>

// Moving a shop to a server: everything its database file holds, and the companies' form
// pictures beside it, copied into an empty server database in one transaction.
namespace ServerCopy {

struct TableRows {
    QString table;
    qint64 rows = 0;
};

// Told how many rows of how many are copied so far; returning false cancels the copy.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Copies every table of `sourceFile`, this program's database file at this version, to the
// server database `target` names, keeping every ID (each table's next new row gets the ID
// after its highest), with every company's picture file in SPicture and the print offsets as
// this PC's. The target must be empty: its tables are made by the released schema steps.
// Each table's rows are counted on both sides before the commit. Anything short of a
// complete copy, a cancel included, leaves the server as it was and throws AppError that
// says so in plain words. Returns the rows copied per table.
QList<TableRows> Copy(const QString& sourceFile, const DatabaseSetting& target, const QString& password,
                      const Progress& progress = {});

// "用户 2 行，快递公司 3 行，…": what was copied, in the user's words.
QString Summary(const QList<TableRows>& tables);

} // namespace ServerCopy
