#include "ContactStore.h"

#include "DM.h"
#include "GbkText.h"
#include "SqlDialect.h"
#include "Transaction.h"

const ContactKind SenderKind{
    "USender",
    "寄件人",
    "寄  件  人",
    "寄件人录入",
    "寄件人修改",
    "寄件人信息",
    "寄件人查询",
    "寄件人查找",
    "寄件人 不能为空！",
    "寄件人 已经存在，请重新录入！",
    "寄件人 信息 保存成功！",
    "寄件人 不存在，请直接录入！",
};

const ContactKind AddresseeKind{
    "UAddressee",
    "收件人",
    "收  件  人",
    "收件人录入",
    "收件人修改",
    "收件人信息",
    "收件人查询",
    "收件人查找",
    "收件人 不能为空！",
    "收件人 已经存在，请重新录入！",
    "收件人 信息 保存成功！",
    "收件人 不存在，请直接录入！",
};

namespace ContactStore {

namespace {

FieldTable fieldsOf(const ContactKind& kind)
{
    // Limits in characters; grid widths of the query and the picker; five rows of places.
    return {
        {"theName", kind.title, kind.nameCaption + "：", "Edit1", 20, FieldDef::Unit::Characters, 80, 0, 0, 1},
        {"thePhone", "电话号码", "电话号码：", "Edit2", 30, FieldDef::Unit::Characters, 100, 0, 1, 1},
        {"theMob", "手机号码", "手机号码：", "Edit3", 30, FieldDef::Unit::Characters, 100, 0, 2, 1},
        {"theDept", "单位名称", "单位名称：", "Edit4", 50, FieldDef::Unit::Characters, 120, 1, 0, 2},
        {"theANum", "区号", "区        号：", "Edit5", 10, FieldDef::Unit::Characters, 0, 1, 2, 1},
        {"theA1", "省市区", "省  市  区：", "Edit6", 20, FieldDef::Unit::Characters, 80, 2, 0, 1},
        {"theA2", "地州市", "地  州  市：", "Edit7", 20, FieldDef::Unit::Characters, 80, 2, 1, 1},
        {"theA3", "区县", "区        县：", "Edit8", 20, FieldDef::Unit::Characters, 80, 2, 2, 1},
        {"theAdd", "地址", "地        址：", "Edit9", 100, FieldDef::Unit::Characters, 120, 3, 0, 2},
        {"thePNum", "邮编", "邮        编：", "Edit10", 10, FieldDef::Unit::Characters, 0, 3, 2, 1},
        {"Remark", "备注", "备        注：", "Edit11", 100, FieldDef::Unit::Characters, 100, 4, 0, 3},
    };
}

QList<Fields::Extra> codesOf(const ContactKind& kind, const Record& contact)
{
    const FieldTable& fields = Fields(kind);
    return {{QStringLiteral("NPY"), pinyinCodeOf(Fields::ValueOf(fields, contact, QStringLiteral("theName")))},
            {QStringLiteral("DPY"), pinyinCodeOf(Fields::ValueOf(fields, contact, QStringLiteral("theDept")))}};
}

} // namespace

const FieldTable& Fields(const ContactKind& kind)
{
    static const FieldTable sender = fieldsOf(SenderKind);
    static const FieldTable addressee = fieldsOf(AddresseeKind);
    return kind.table == SenderKind.table ? sender : addressee;
}

QString selectList(const ContactKind& kind)
{
    return QStringLiteral("SELECT ") + Fields::SelectList(Fields(kind)) + QStringLiteral("ID ");
}

QString from(const ContactKind& kind) { return QStringLiteral("FROM %1 WHERE (theDel = '否') ").arg(kind.table); }

bool liveExists(const ContactKind& kind, const QString& name, const QString& dept)
{
    return DM().QueryCount(SqlText(QStringLiteral("SELECT ID FROM %1 WHERE (theName = ?) AND (theDept = ?) "
                                                  "AND (theDel = '否') LIMIT 1")
                                       .arg(kind.table),
                                   {name, dept})) > 0;
}

QString filterClause(const QString& column)
{
    const QString code = column == QLatin1String("theName")   ? QStringLiteral("NPY")
                         : column == QLatin1String("theDept") ? QStringLiteral("DPY")
                                                              : QString();
    if (code.isEmpty())
        return QStringLiteral("AND (%1) ").arg(Contains(column));
    return QStringLiteral("AND (%1 OR %2) ").arg(Contains(column), Contains(code));
}

namespace {

// The books this program holds whole now: filing into one needs no lock of its own.
QStringList g_heldWhole;

QStringList bookKey(const ContactKind& kind) { return {kind.table}; }

qint64 insertUsed(const ContactKind& kind, const Record& contact, qint64 waybillId)
{
    QList<Fields::Extra> extra = {{QStringLiteral("theDel"), QStringLiteral("否")},
                                  {QStringLiteral("theUsed"), waybillId}};
    extra += codesOf(kind, contact);
    return InsertRow(Fields::Insert(kind.table, Fields(kind), contact, extra));
}

// Adds the contact unless a live one has its name and organisation; either way the contact
// is marked as used by `waybillId` (0: by none).
bool addUnlessLive(const ContactKind& kind, const Record& contact, qint64 waybillId)
{
    // One transaction, so no other program adds the same contact between the look-up and the insert:
    // on the file its write lock sees to that. On a server, writers run side by side, so the
    // second PC filing this name and organisation waits here for the first one's transaction to
    // end, and then finds its row. (A unique index cannot do it: older data may hold live twins.)
    // Filings share the book; an import holds it alone.
    Transaction transaction;
    const QString name = Fields::ValueOf(Fields(kind), contact, QStringLiteral("theName"));
    const QString dept = Fields::ValueOf(Fields(kind), contact, QStringLiteral("theDept"));
    if (!g_heldWhole.contains(kind.table)) {
        transaction.hold(bookKey(kind), true, QStringLiteral("另一台电脑正在导入%1，请稍后再保存。").arg(kind.title));
        transaction.serialise({kind.table, name, dept});
    }
    if (liveExists(kind, name, dept)) {
        // A change of an older waybill does not make its contacts less recent.
        if (waybillId > 0)
            DM().ExecSql(SqlText(QStringLiteral("UPDATE %1 SET theUsed = ? WHERE (theName = ?) AND (theDept = ?) "
                                                "AND (theDel = '否') AND (theUsed < ?) ")
                                     .arg(kind.table),
                                 {waybillId, name, dept, waybillId}));
        transaction.commit();
        return false;
    }
    insertUsed(kind, contact, waybillId);
    transaction.commit();
    return true;
}

} // namespace

WholeBook::WholeBook(Transaction& transaction, const ContactKind& kind) : m_kind(kind)
{
    transaction.hold(bookKey(kind), false,
                     QStringLiteral("另一台电脑正在导入或保存%1，请稍后再导入。").arg(kind.title));
    g_heldWhole << kind.table;
}

WholeBook::~WholeBook() { g_heldWhole.removeOne(m_kind.table); }

namespace {

VersionedRow::Words wordsOf(const ContactKind& kind)
{
    return {QStringLiteral("这个") + kind.title, QStringLiteral("新") + kind.title, kind.title};
}

} // namespace

VersionedRow::Stored load(const ContactKind& kind, qint64 id)
{
    return VersionedRow::Load(selectList(kind), from(kind), id, wordsOf(kind));
}

void update(const ContactKind& kind, qint64 id, const Record& contact, qint64 readVersion)
{
    VersionedRow::Update(kind.table, Fields(kind), contact, id, codesOf(kind, contact), readVersion, wordsOf(kind));
}

void softDelete(const ContactKind& kind, qint64 id) { VersionedRow::SoftDelete(kind.table, id); }

qint64 insert(const ContactKind& kind, const Record& contact) { return insertUsed(kind, contact, 0); }

bool insertIfNew(const ContactKind& kind, const Record& contact) { return addUnlessLive(kind, contact, 0); }

bool file(const ContactKind& kind, const Record& blockFields, qint64 waybillId)
{
    Record contact = blockFields.mid(0, BlockFieldCount);
    contact << QString(); // the remark
    return addUnlessLive(kind, contact, waybillId);
}

const QString LookupRank = QStringLiteral("排序");

ListingOrder LookupOrder() { return {LookupRank, true}; }

SqlText lookup(const ContactKind& kind, const QString& name, const QString& phone, const QString& mobile,
               const QString& dept)
{
    // One column to order by, so that the grid can read it a page at a time: the kind of
    // match above the waybill ID that used the contact last (0 for none).
    SqlText statement(QStringLiteral("SELECT ") + Fields::SelectList(Fields(kind)));
    if (name.isEmpty()) {
        statement.sql += QStringLiteral("theUsed");
    } else {
        statement.sql += QStringLiteral("(CASE WHEN theName = ? THEN 2 WHEN NPY = ? THEN 1 ELSE 0 END) "
                                        "* 1000000000000000 + theUsed");
        statement.values << name << name.toUpper();
    }
    statement.sql += QStringLiteral(" AS %1, ID ").arg(LookupRank) + from(kind);
    // The query window's clauses, all four always present: an empty text matches anything.
    const QList<QPair<QString, QString>> conditions = {{QStringLiteral("theName"), name},
                                                       {QStringLiteral("thePhone"), phone},
                                                       {QStringLiteral("theMob"), mobile},
                                                       {QStringLiteral("theDept"), dept}};
    for (const auto& [column, text] : conditions) {
        const QString clause = filterClause(column);
        statement.sql += clause;
        for (qsizetype marks = clause.count(QLatin1Char('?')); marks > 0; --marks)
            statement.values << text;
    }
    return statement;
}

} // namespace ContactStore
