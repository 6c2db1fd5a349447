#pragma once

#include "FieldTable.h"
#include "SqlText.h"
#include "VersionedRow.h"

#include <QString>
#include <QStringList>

// The statements of the courier companies and their print items.
namespace CourierStore {

// The six fields of a company, in the order of its edit boxes.
const FieldTable& CompanyFields();
using Company = Record;

// The company listing, newest first: "SELECT theName AS 快递公司, … ID " +
// "FROM SCom WHERE (theDel = '否') " + the filter + "ORDER BY ID DESC ".
QString companySelectList();
QString companyFrom();

// A live company as it stands now, for an edit: its listed columns by alias and the
// version it was read at. Throws AppError when it is no longer live.
VersionedRow::Stored loadCompany(qint64 id);

// Whether a live company other than exceptId already has the name.
bool liveNameExists(const QString& name, qint64 exceptId = 0);

// The default print items under a company name, in code order (mySaveP's rows), all
// switched on, and the default widths of the boxes that have one.
void insertDefaultItems(const QString& companyName);

// A new company: its print items, then its row; all or nothing. False, with nothing written,
// when a live company has the name already, also one another PC files at the same moment.
bool createCompany(const Company& company);
// An edit. A new name replaces the print items by the defaults; all or nothing. False, with
// nothing written, when the new name is another live company's. Written only over
// `readVersion` (from loadCompany()): when another PC changed or deleted the company
// meanwhile, nothing is written and AppError says so.
bool updateCompany(qint64 id, const QString& oldName, const Company& company, qint64 readVersion);
// Removes the print items and marks the row deleted; then removes the picture file (on a
// server, with the picture's row in the same transaction).
void deleteCompany(qint64 id, const QString& name);

// One print item's stored row, as the designer reads it.
struct StoredItem {
    bool found = false;
    int left = 0;
    int top = 0;
    bool printed = false;
};
StoredItem storedItem(const QString& companyName, const QString& code);

struct ItemPosition {
    QString code;
    int left;
    int top;
};
void savePositions(const QString& companyName, const QList<ItemPosition>& positions);

// The print item selection list (listed in insertion order, code JP01 first), and the
// switch of one item.
SqlText itemSelectionListing(const QString& companyName);
void togglePrint(qint64 itemId, const QString& currentFlag);
// Switches one item on, by its code.
void switchOn(const QString& companyName, const QString& code);

// A company's print items in ID order, for the print window.
struct PrintRow {
    QString code;
    int left;
    int top;
    bool printed;
};
QList<PrintRow> printRows(const QString& companyName);

} // namespace CourierStore
