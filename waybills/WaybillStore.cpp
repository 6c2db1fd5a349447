#include "WaybillStore.h"

#include "AppError.h"
#include "ContactStore.h"
#include "DM.h"
#include "GbkText.h"
#include "PrintItems.h"
#include "Regions.h"
#include "SqlDialect.h"
#include "Transaction.h"
#include "Unit1.h"
#include "VersionedRow.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>

namespace WaybillStore {

namespace {

using Unit = FieldDef::Unit;

const VersionedRow::Words Words{QStringLiteral("这张快递单"), QStringLiteral("新快递单"), QStringLiteral("快递单")};

// One party's ten fields: the UE column is the contact column with "the" replaced by
// the party's prefix (theName → JName), the box is JEd1…JEd10 or SEd1…SEd10, and the
// title says whose field it is ("收件人电话号码").
void addParty(FieldTable& fields, const ContactKind& kind, const QString& prefix, const QString& codePrefix)
{
    const FieldTable& contact = ContactStore::Fields(kind);
    const QString& title = kind.title;
    const int widths[ContactStore::BlockFieldCount] = {80, 100, 100, 120, 0, 80, 80, 80, 120, 0};
    for (int i = 0; i < ContactStore::BlockFieldCount; ++i) {
        FieldDef field = contact[i];
        field.column = prefix + field.column.mid(3);
        field.alias = i == 0 ? title : title + field.alias;
        field.control = prefix + QStringLiteral("Ed%1").arg(i + 1);
        field.width = widths[i];
        field.printCode = codePrefix + QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        fields << field;
    }
}

FieldTable waybillFields()
{
    FieldTable fields = {
        {"myDate", "快递日期", "快递日期：", "DateTimePicker1", 0, Unit::Characters, 0, 0, 0, 1, "KP05"},
        {"EName", "快递公司", "快递公司：", "DBLookupComboBox1", 0, Unit::Characters, 80, 0, 1, 1, ""},
        {"ENum", "快递单号", "快递单号：", "Edit1", 20, Unit::Characters, 100, 0, 2, 1, ""},
        {"EAN", "快递物品", "快递物品：", "Edit2", 20, Unit::Characters, 80, 1, 0, 1, "KP01"},
    };
    addParty(fields, AddresseeKind, QStringLiteral("S"), QStringLiteral("SP"));
    addParty(fields, SenderKind, QStringLiteral("J"), QStringLiteral("JP"));
    fields += FieldTable{
        {"ZDY1", "自定义一", "自定义一：", "Edit3", 20, Unit::Characters, 80, 1, 1, 1, "KP02"},
        {"ZDY2", "自定义二", "自定义二：", "Edit4", 20, Unit::Characters, 80, 1, 2, 1, "KP03"},
        {"ZDY3", "自定义三", "自定义三：", "Edit5", 20, Unit::Characters, 80, 2, 0, 1, "KP04"},
        {"Remark", "备注", "备        注：", "Edit6", 100, Unit::Characters, 100, 2, 1, 2, ""},
        {"UName", "录入人", "", "", 0, Unit::Characters, 0, 0, 0, 1, ""},
    };
    return fields;
}

QList<Fields::Extra> codesOf(const Record& waybill)
{
    const FieldTable& fields = EntryFields();
    const auto code = [&](const char* column) {
        return pinyinCodeOf(Fields::ValueOf(fields, waybill, QLatin1String(column)));
    };
    return {{QStringLiteral("JNPY"), code("JName")},
            {QStringLiteral("JDPY"), code("JDept")},
            {QStringLiteral("SNPY"), code("SName")},
            {QStringLiteral("SDPY"), code("SDept")}};
}

// A party's ten block fields out of a waybill, in the contact table's order.
Record party(const Record& waybill, const QString& prefix)
{
    const FieldTable& contact = ContactStore::Fields(SenderKind);
    Record fields;
    for (int i = 0; i < ContactStore::BlockFieldCount; ++i)
        fields << Fields::ValueOf(EntryFields(), waybill, prefix + contact[i].column.mid(3));
    return fields;
}

} // namespace

const FieldTable& WaybillFields()
{
    static const FieldTable fields = waybillFields();
    return fields;
}

const FieldTable& EntryFields()
{
    static const FieldTable fields = [] {
        FieldTable entered = WaybillFields();
        entered.removeLast(); // UName: written once, by the insert
        return entered;
    }();
    return fields;
}

QString selectList() { return QStringLiteral("SELECT ") + Fields::SelectList(WaybillFields()) + QStringLiteral("ID "); }

QString from() { return QStringLiteral("FROM UE WHERE (theDel = '否') "); }

Stored load(qint64 id) { return VersionedRow::Load(selectList(), from(), id, Words); }

qint64 save(qint64 id, const Record& waybill, qint64 readVersion)
{
    Transaction transaction;
    QList<Fields::Extra> extra = codesOf(waybill);
    if (id == 0) {
        extra.prepend({QStringLiteral("theDel"), QStringLiteral("否")});
        extra.append({QStringLiteral("UName"), Unit1::currentUserName()});
        id = InsertRow(Fields::Insert(QStringLiteral("UE"), EntryFields(), waybill, extra));
    } else {
        VersionedRow::Update(QStringLiteral("UE"), EntryFields(), waybill, id, extra, readVersion, Words);
    }
    ContactStore::file(SenderKind, party(waybill, QStringLiteral("J")), id);
    ContactStore::file(AddresseeKind, party(waybill, QStringLiteral("S")), id);
    transaction.commit();
    return id;
}

void softDelete(qint64 id) { VersionedRow::SoftDelete(QStringLiteral("UE"), id); }

QString lastCompany()
{
    QSqlQuery query =
        DM().run(SqlText(QStringLiteral("SELECT EName FROM UE WHERE (theDel = '否') ORDER BY ID DESC LIMIT 1")));
    return query.next() ? query.value(0).toString() : QString();
}

QString querySelectList()
{
    return QStringLiteral("SELECT ") + Fields::SelectList(WaybillFields()) +
           QStringLiteral("ID, (SELECT COUNT(*) FROM ULog WHERE (ULog.WID = UE.ID)) AS 打印次数 ");
}

namespace {

struct PrintRow {
    qint64 id;
    QString time;
    QString printer;
    QString user;
    QString kind;
};

// Prints that reached a printer while the database could not take their rows: they are
// kept until a write succeeds, so the log ends up matching what was printed.
QList<PrintRow>& waiting()
{
    static QList<PrintRow> rows;
    return rows;
}

// Small enough that a failure part way keeps most of what was written before it.
constexpr int LogGroup = 20;

} // namespace

void writeWaitingPrints()
{
    QList<PrintRow>& rows = waiting();
    while (!rows.isEmpty()) {
        const int size = std::min<int>(LogGroup, static_cast<int>(rows.size()));
        Transaction transaction;
        for (int i = 0; i < size; ++i) {
            const PrintRow& row = rows.at(i);
            DM().ExecSql(SqlText(QStringLiteral("INSERT INTO ULog (WID, theTime, thePrinter, UName, theKind) "
                                                "VALUES (?, ?, ?, ?, ?) "),
                                 {row.id, row.time, row.printer, row.user, row.kind}));
        }
        transaction.commit();
        rows.remove(0, size);
    }
}

void logPrints(const QList<qint64>& ids, const QString& printer, PrintKind kind)
{
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    // Stored as a code: a caption may change, stored rows should not.
    const QString kindText = kind == PrintKind::Single ? QStringLiteral("single") : QStringLiteral("batch");
    for (qint64 id : ids)
        waiting().append({id, time, printer, Unit1::currentUserName(), kindText});
    writeWaitingPrints();
}

QList<qint64> waitingPrints()
{
    QList<qint64> ids;
    for (const PrintRow& row : waiting())
        ids << row.id;
    return ids;
}

std::optional<QStringList> printTexts(qint64 waybillId)
{
    QSqlQuery query = DM().run(SqlText(selectList() + from() + QStringLiteral("AND (ID = ?) "), {waybillId}));
    if (!query.next())
        return std::nullopt;
    const QSqlRecord row = query.record();
    QStringList texts{row.value(QStringLiteral("ID")).toString()};
    const auto fieldText = [&](const QString& code) {
        for (const FieldDef& field : WaybillFields())
            if (field.printCode == code)
                return row.value(field.alias).toString();
        return QString();
    };
    for (const PrintItem& item : PrintItems()) {
        // A full address joins the party's places (x06 to x08) and street (x09).
        const QString party = item.code.left(2);
        if (item.fullAddress)
            texts << Regions::FullAddress({fieldText(party + "06"), fieldText(party + "07"), fieldText(party + "08")},
                                          fieldText(party + "09"));
        else
            texts << fieldText(item.code);
    }
    return texts;
}

QStringList liveTexts(qint64 waybillId)
{
    std::optional<QStringList> texts = printTexts(waybillId);
    if (!texts)
        throw AppError(Words.gone());
    return *texts;
}

} // namespace WaybillStore
