#pragma once

#include "FieldTable.h"
#include "SqlText.h"
#include "VersionedRow.h"

#include <QDate>
#include <QSqlRecord>
#include <QStringList>

#include <optional>

// The statements of the waybills (table UE).
namespace WaybillStore {

// The 29 listed columns of a waybill in the order of the query's grid: date, company,
// number, goods, the recipient's ten fields, the sender's ten, the three free fields,
// the remark and who entered it. Each names its alias (the grid's title), its width,
// the entry window's control and the print item that prints it.
const FieldTable& WaybillFields();

// "SELECT myDate AS 快递日期, … UName AS 录入人, ID " and "FROM UE WHERE (theDel = '否') ".
QString selectList();
QString from();

// A waybill as the entry window holds it: every listed column but UName, in the order
// of WaybillFields() without "UName".
const FieldTable& EntryFields();

// A live waybill as it stands now, for a change: its listed columns by alias, and the
// version it was read at. Throws AppError when it is no longer live.
using Stored = VersionedRow::Stored;
Stored load(qint64 id);

// A new waybill (theDel "否", UName the logged-in user), or a change (every entered
// column, the date included; UName and theDel stay), with the four pinyin codes
// computed afresh; and in the same transaction its sender and recipient are filed into
// the address books, or, when there already, marked as used by this waybill. Returns
// the waybill's ID: the row this insert created.
// A change is written only over the version it was read at (`readVersion`, from load()):
// when another PC or window changed or deleted the waybill meanwhile, nothing is written
// and AppError says so.
qint64 save(qint64 id, const Record& waybill, qint64 readVersion = 0);

// Marks the waybill deleted; a window holding it for a change can then no longer save it.
void softDelete(qint64 id);

// The company of the newest live waybill: the one a clerk most likely sends with next.
QString lastCompany();

// The waybill query's columns: the listed ones, the ID, and how often each waybill was
// printed ("打印次数", counted in the print log).
QString querySelectList();

// Records that these waybills were printed on `printer`, by the logged-in user, singly
// ("单张") or in a batch ("批量"), at this moment. The rows join those still waiting in
// memory from earlier writes that failed (a lost server), and all are written in small
// groups, each group all or none. Throws AppError when a group fails: it and those after
// it stay waiting for the next call, or for writeWaitingPrints().
enum class PrintKind { Single, Batch };
void logPrints(const QList<qint64>& ids, const QString& printer, PrintKind kind);
// Writes the prints still waiting; throws AppError as logPrints() does.
void writeWaitingPrints();
// The waybills whose prints are still waiting to be logged, oldest first.
QList<qint64> waitingPrints();

// The texts a print shows: slot 0 the waybill's ID, slots 1 to 27 its fields in print
// code order, the last two its full addresses. None for a waybill that is not live
// (deleted meanwhile, or never there): only a test print shows the items' display names.
std::optional<QStringList> printTexts(qint64 waybillId);
// The same, for a print of one waybill: throws AppError saying it was deleted.
QStringList liveTexts(qint64 waybillId);

} // namespace WaybillStore
