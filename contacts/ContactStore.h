#pragma once

#include "FieldTable.h"
#include "SqlDialect.h"
#include "SqlText.h"
#include "VersionedRow.h"

#include <QString>

// The twin address books, senders and recipients: the same columns, told apart only by
// their table and their words.
struct ContactKind {
    QString table;            // "USender" / "UAddressee"
    QString title;            // "寄件人" / "收件人": the name column's title
    QString nameCaption;      // "寄  件  人" / "收  件  人": the name's condition, and its label with "："
    QString entryCaption;     // "寄件人录入"
    QString editCaption;      // "寄件人修改"
    QString groupCaption;     // "寄件人信息"
    QString queryCaption;     // "寄件人查询"
    QString pickerCaption;    // "寄件人查找"
    QString emptyMessage;     // "寄件人 不能为空！"
    QString duplicateMessage; // "寄件人 已经存在，请重新录入！"
    QString savedMessage;     // "寄件人 信息 保存成功！"
    QString notFoundMessage;  // "寄件人 不存在，请直接录入！"
};
extern const ContactKind SenderKind;
extern const ContactKind AddresseeKind;

class Transaction;

namespace ContactStore {

// The eleven fields of a contact in the order of the entry dialog's boxes Edit1 to
// Edit11; a waybill's sender and recipient blocks hold the first ten.
const FieldTable& Fields(const ContactKind& kind);
constexpr int BlockFieldCount = 10;

// "SELECT theName AS 寄件人, thePhone AS 电话号码, … Remark AS 备注, ID " and
// "FROM USender WHERE (theDel = '否') ": the listing, its count and the look-up share them.
QString selectList(const ContactKind& kind);
QString from(const ContactKind& kind);

// Whether a live contact has exactly this name and organisation.
bool liveExists(const ContactKind& kind, const QString& name, const QString& dept);

// A query condition on one column: "AND (column LIKE … ) ", for the name and the
// organisation "AND (theName LIKE … OR NPY LIKE …) " so that their pinyin codes match
// too. Every "?" takes the same typed text.
QString filterClause(const QString& column);

// A live contact as it stands now, for a change: its listed columns by alias and the
// version it was read at. Throws AppError when it is no longer live.
VersionedRow::Stored load(const ContactKind& kind, qint64 id);

// A new contact (theDel "否") or a changed one; the pinyin codes NPY and DPY of the name
// and the organisation are computed afresh each time. Returns the new row's ID.
// A change is written only over `readVersion` (from load()): when another PC changed or
// deleted the contact meanwhile, nothing is written and AppError says so.
qint64 insert(const ContactKind& kind, const Record& contact);
void update(const ContactKind& kind, qint64 id, const Record& contact, qint64 readVersion);
// Inserts all eleven fields unless a live contact with the same name and organisation
// exists; true when it was added.
bool insertIfNew(const ContactKind& kind, const Record& contact);
void softDelete(const ContactKind& kind, qint64 id);

// Files a waybill's sender or recipient (its ten block fields, the remark left empty)
// unless a live contact with the same name and organisation exists, which stays as it
// is but for noting that waybill `waybillId` used it. True when a contact was added.
bool file(const ContactKind& kind, const Record& blockFields, qint64 waybillId);

// Keeps other PCs from adding to the kind's book until `transaction` ends, so
// that the insertIfNew calls made meanwhile look up and add without a lock of their own:
// one lock for a whole import instead of one per row, which a server runs out of. Throws
// AppError when another PC's import or filing holds the book longer than a lock is waited for.
class WholeBook {
public:
    WholeBook(Transaction& transaction, const ContactKind& kind);
    ~WholeBook();
    WholeBook(const WholeBook&) = delete;
    WholeBook& operator=(const WholeBook&) = delete;

private:
    const ContactKind& m_kind;
};

// The waybill entry's look-up: live contacts whose name (or its code), phone, mobile and
// organisation (or its code) contain the four texts; an empty text matches anything.
// Its column LookupRank puts, in LookupOrder, the contacts named exactly as typed first,
// then those whose code is the typed text, each group used most recently first, then
// newest first.
SqlText lookup(const ContactKind& kind, const QString& name, const QString& phone, const QString& mobile,
               const QString& dept);
extern const QString LookupRank;
ListingOrder LookupOrder();

} // namespace ContactStore
