#include "CourierStore.h"

#include "CompanyPicture.h"
#include "DM.h"
#include "PrintItems.h"
#include "PrintSetup.h"
#include "Transaction.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace CourierStore {

const FieldTable& CompanyFields()
{
    using Unit = FieldDef::Unit;
    // Limits in GBK bytes: a Chinese character takes two.
    static const FieldTable fields = {
        {"theName", "快递公司", "快递公司：", "Edit1", 12, Unit::GbkBytes, 0, 0, 0, 1},
        {"thePro", "联系人", "联  系  人：", "Edit2", 20, Unit::GbkBytes, 100, 0, 1, 1},
        {"thePhone", "电话号码", "电话号码：", "Edit3", 30, Unit::GbkBytes, 120, 0, 2, 1},
        {"theMob", "手机号码", "手机号码：", "Edit4", 30, Unit::GbkBytes, 150, 1, 0, 1},
        {"theAdd", "地址", "地        址：", "Edit5", 50, Unit::GbkBytes, 200, 1, 1, 2},
        {"Remark", "备注", "备        注：", "Edit6", 100, Unit::GbkBytes, 280, 2, 0, 3},
    };
    return fields;
}

QString companySelectList()
{
    return QStringLiteral("SELECT ") + Fields::SelectList(CompanyFields()) + QStringLiteral("ID ");
}

QString companyFrom() { return QStringLiteral("FROM SCom WHERE (theDel = '否') "); }

namespace {
const VersionedRow::Words CompanyWords{QStringLiteral("这家快递公司"), QStringLiteral("新快递公司"),
                                       QStringLiteral("快递公司")};
}

VersionedRow::Stored loadCompany(qint64 id)
{
    return VersionedRow::Load(companySelectList(), companyFrom(), id, CompanyWords);
}

bool liveNameExists(const QString& name, qint64 exceptId)
{
    return DM().QueryCount(SqlText(QStringLiteral("SELECT ID FROM SCom WHERE (theName = ?) AND (theDel = '否') "
                                                  "AND (ID <> ?) "),
                                   {name, exceptId})) > 0;
}

void insertDefaultItems(const QString& companyName)
{
    // The full addresses start switched off: printed as well as the parts, they would print the
    // address twice over the form; a shop switches them on in place of the parts.
    for (const PrintItem& item : PrintItems())
        DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SP (EName, theV, theName, theT, theL, theP) "
                                            "VALUES (?, ?, ?, ?, ?, ?) "),
                             {companyName, item.displayName, item.code, item.defaultTop, item.defaultLeft,
                              item.fullAddress ? QStringLiteral("否") : QStringLiteral("是")}));
    for (const PrintItem& item : PrintItems())
        if (item.defaultWidth > 0)
            DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SPWidth (EName, theName, theW) VALUES (?, ?, ?) "
                                                "ON CONFLICT (EName, theName) DO UPDATE SET theW = excluded.theW "),
                                 {companyName, item.code, item.defaultWidth}));
}

namespace {
// Looked up and filed in one transaction, which another PC filing the same name waits for:
// the name is then found taken.
bool nameIsFree(Transaction& transaction, const QString& name, qint64 exceptId)
{
    transaction.serialise({QStringLiteral("SCom"), name});
    return !liveNameExists(name, exceptId);
}
} // namespace

bool createCompany(const Company& company)
{
    Transaction transaction;
    const QString name = Fields::ValueOf(CompanyFields(), company, QStringLiteral("theName"));
    if (!nameIsFree(transaction, name, 0))
        return false;
    insertDefaultItems(name);
    DM().ExecSql(Fields::Insert(QStringLiteral("SCom"), CompanyFields(), company,
                                {{QStringLiteral("theDel"), QStringLiteral("否")}}));
    transaction.commit();
    return true;
}

bool updateCompany(qint64 id, const QString& oldName, const Company& company, qint64 readVersion)
{
    Transaction transaction;
    const QString name = Fields::ValueOf(CompanyFields(), company, QStringLiteral("theName"));
    if (name != oldName && !nameIsFree(transaction, name, id))
        return false;
    VersionedRow::Update(QStringLiteral("SCom"), CompanyFields(), company, id, {}, readVersion, CompanyWords);
    if (name != oldName) {
        DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SP WHERE (EName = ?) "), {oldName}));
        // The offsets and widths belonged to the old name's layout, which is reset too.
        PrintSetup::forgetCompany(oldName);
        insertDefaultItems(name);
    }
    transaction.commit();
    return true;
}

void deleteCompany(qint64 id, const QString& name)
{
    Transaction transaction;
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SP WHERE (EName = ?) "), {name}));
    PrintSetup::forgetCompany(name);
    VersionedRow::SoftDelete(QStringLiteral("SCom"), id);
    // On a server the picture is a row, which goes with the company's, all or nothing.
    if (DM().isServer())
        RemoveCompanyPicture(name);
    transaction.commit();
    // The file only once the rows are gone; a missing or locked file is no reason to fail.
    if (!DM().isServer())
        RemoveCompanyPicture(name);
}

StoredItem storedItem(const QString& companyName, const QString& code)
{
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT EName, theV, theName, theT, theL, theP, ID "
                                                      "FROM SP "
                                                      "WHERE (EName = ?) "
                                                      "AND (theName = ?) "),
                                       {companyName, code}));
    StoredItem item;
    if (query.next()) {
        item.found = true;
        item.top = query.value(3).toInt();
        item.left = query.value(4).toInt();
        item.printed = query.value(5).toString() == QStringLiteral("是");
    }
    return item;
}

void savePositions(const QString& companyName, const QList<ItemPosition>& positions)
{
    Transaction transaction;
    for (const ItemPosition& p : positions)
        DM().ExecSql(SqlText(QStringLiteral("UPDATE SP SET theT = ?, theL = ? "
                                            "WHERE (EName = ?) "
                                            "AND (theName = ?) "),
                             {p.top, p.left, companyName, p.code}));
    transaction.commit();
}

SqlText itemSelectionListing(const QString& companyName)
{
    return SqlText(QStringLiteral("SELECT EName AS 快递公司, theV AS 项目名称, "
                                  "theP AS 打印, ID "
                                  "FROM SP "
                                  "WHERE (EName = ?) "),
                   {companyName});
}

void togglePrint(qint64 itemId, const QString& currentFlag)
{
    const QString sql = currentFlag == QStringLiteral("是")
                            ? QStringLiteral("UPDATE SP SET theP = '否' WHERE (ID = ? ) ")
                            : QStringLiteral("UPDATE SP SET theP = '是' WHERE (ID = ? ) ");
    DM().ExecSql(SqlText(sql, {itemId}));
}

void switchOn(const QString& companyName, const QString& code)
{
    DM().ExecSql(
        SqlText(QStringLiteral("UPDATE SP SET theP = '是' WHERE (EName = ?) AND (theName = ?) "), {companyName, code}));
}

QList<PrintRow> printRows(const QString& companyName)
{
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT EName, theV, theName, theT, theL, theP, ID "
                                                      "FROM SP "
                                                      "WHERE (EName = ?) "
                                                      "ORDER BY ID "),
                                       {companyName}));
    QList<PrintRow> rows;
    while (query.next())
        rows.append({query.value(2).toString(), query.value(4).toInt(), query.value(3).toInt(),
                     query.value(5).toString() == QStringLiteral("是")});
    return rows;
}

} // namespace CourierStore
