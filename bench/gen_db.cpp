// Fills a new program folder's database with a shop's worth of made-up data: waybills,
// both address books, courier companies with their print items and users. The same
// arguments give the same table contents (password hashes aside: they are salted).
//
//   orvane-gen-db <programDir> [--waybills N] [--contacts N]
#include "AppError.h"
#include "CourierStore.h"
#include "DM.h"
#include "Password.h"
#include "SampleData.h"
#include "SqlDialect.h"
#include "Transaction.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

// One stream per table, so that changing one table's size leaves the others as they were.
constexpr std::uint64_t ContactSeed = 0x5EED0001;
constexpr std::uint64_t WaybillSeed = 0x5EED0002;
constexpr std::uint64_t CompanySeed = 0x5EED0003;
// Big enough that commits cost little, small enough that the journal stays modest.
constexpr int BatchRows = 50000;

const char* const ContactColumns = "theName, thePhone, theMob, theDept, theANum, theA1, theA2, theA3, theAdd, "
                                   "thePNum, Remark, theDel, NPY, DPY";
const char* const WaybillColumns = "JName, JPhone, JMob, JDept, JANum, JA1, JA2, JA3, JAdd, JPNum, "
                                   "SName, SPhone, SMob, SDept, SANum, SA1, SA2, SA3, SAdd, SPNum, "
                                   "EName, ENum, EAN, ZDY1, ZDY2, ZDY3, Remark, theDel, "
                                   "JNPY, JDPY, SNPY, SDPY, myDate, UName";

QString InsertSql(const QString& table, const char* columns)
{
    const QString list = QString::fromLatin1(columns);
    QStringList marks;
    for (qsizetype i = 0; i <= list.count(QLatin1Char(',')); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ").arg(table, list, marks.join(QStringLiteral(", ")));
}

// A null QString would be bound as NULL, which the NOT NULL text columns refuse.
void BindText(QSqlQuery& query, int& at, const QString& text)
{
    query.bindValue(at++, text.isNull() ? QString(QLatin1String("")) : text);
}

// The ten address-book fields, in the order both tables and both sides of a waybill keep them.
void BindPerson(QSqlQuery& query, int& at, const SampleContact& c)
{
    for (const QString* text : {&c.name, &c.phone, &c.mobile, &c.dept, &c.areaCode, &c.province, &c.city, &c.district,
                                &c.address, &c.postcode})
        BindText(query, at, *text);
}

// One prepared statement, bound and run once per row, committed every BatchRows rows.
template <typename BindRow> void InsertRows(const QString& sql, int count, BindRow bindRow)
{
    QSqlQuery query(DM().database());
    if (!query.prepare(sql))
        throw AppError(query.lastError().text() + QLatin1Char('\n') + sql);
    for (int first = 0; first < count; first += BatchRows) {
        Transaction transaction;
        for (int row = first; row < std::min(count, first + BatchRows); ++row) {
            bindRow(query, row);
            if (!query.exec())
                throw AppError(query.lastError().text() + QLatin1Char('\n') + sql);
        }
        transaction.commit();
    }
}

QList<SampleContact> FillContacts(const QString& table, SampleRng& rng, int count)
{
    QList<SampleContact> contacts;
    contacts.reserve(count);
    for (int i = 0; i < count; ++i)
        contacts << SampleData::Contact(rng);
    InsertRows(InsertSql(table, ContactColumns), count, [&](QSqlQuery& query, int row) {
        const SampleContact& c = contacts.at(row);
        int at = 0;
        BindPerson(query, at, c);
        for (const QString* text : {&c.remark, &c.deleted, &c.namePinyin, &c.deptPinyin})
            BindText(query, at, *text);
    });
    return contacts;
}

void FillWaybills(SampleRng& rng, int count, const QList<SampleContact>& senders,
                  const QList<SampleContact>& recipients)
{
    const QDate first = SampleData::FirstDay();
    const qint64 days = first.daysTo(SampleData::LastDay()) + 1;
    // Entered day by day: a higher ID never has an earlier date.
    InsertRows(InsertSql(QStringLiteral("UE"), WaybillColumns), count, [&](QSqlQuery& query, int row) {
        const SampleWaybill w =
            SampleData::Waybill(rng, senders, recipients, first.addDays(static_cast<qint64>(row) * days / count));
        int at = 0;
        BindPerson(query, at, w.sender);
        BindPerson(query, at, w.recipient);
        for (const QString* text : {&w.company, &w.number, &w.goods, &w.custom1, &w.custom2, &w.custom3, &w.remark,
                                    &w.deleted, &w.sender.namePinyin, &w.sender.deptPinyin, &w.recipient.namePinyin,
                                    &w.recipient.deptPinyin, &w.date, &w.user})
            BindText(query, at, *text);
    });
}

void FillCompanies(SampleRng& rng)
{
    for (const QString& name : SampleData::CourierNames()) {
        const QStringList d = SampleData::CompanyDetails(rng);
        const QHash<QString, QString> values = {{QStringLiteral("theName"), name},
                                                {QStringLiteral("thePro"), d.at(0)},
                                                {QStringLiteral("thePhone"), d.at(1)},
                                                {QStringLiteral("theMob"), d.at(2)},
                                                {QStringLiteral("theAdd"), d.at(3)}};
        // In whatever order the company's field table lists its boxes.
        CourierStore::Company company;
        for (const FieldDef& field : CourierStore::CompanyFields())
            company << values.value(field.column);
        CourierStore::createCompany(company);
    }
}

void FillUsers()
{
    // admin comes with the database.
    for (const QString& name : SampleData::UserNames().mid(1))
        DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SUser (theName, thePass, Remark) VALUES (?, ?, ?) "),
                             {name, Password::hash(Unit1::InitialPassword), QString()}));
}

QString TableSummary(const QString& table)
{
    const bool softDeleted = table != QStringLiteral("SP") && table != QStringLiteral("SUser");
    QSqlQuery query = DM().run(SqlText(
        softDeleted
            ? QStringLiteral("SELECT COUNT(*), SUM(CASE WHEN theDel = '是' THEN 1 ELSE 0 END) FROM %1").arg(table)
            : QStringLiteral("SELECT COUNT(*), 0 FROM %1").arg(table)));
    query.next();
    QString text = QStringLiteral("%1 %2").arg(table).arg(query.value(0).toLongLong());
    if (softDeleted)
        text += QStringLiteral(" (%1 deleted)").arg(query.value(1).toLongLong());
    return text;
}

int ParseCount(const QStringList& args, const QString& option, int fallback)
{
    const qsizetype at = args.indexOf(option);
    if (at < 0)
        return fallback;
    bool ok = false;
    const int value = at + 1 < args.size() ? args.at(at + 1).toInt(&ok) : 0;
    if (!ok || value < 0)
        throw AppError(QStringLiteral("%1 needs a whole number").arg(option));
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first().startsWith(QLatin1Char('-'))) {
        err << "usage: orvane-gen-db <programDir> [--waybills N] [--contacts N]\n";
        return 2;
    }
    try {
        const QString dir = QFileInfo(args.first()).absoluteFilePath();
        const int waybills = ParseCount(args, QStringLiteral("--waybills"), 1000000);
        const int contacts = ParseCount(args, QStringLiteral("--contacts"), 100000);
        const QString file = QDir(dir).filePath(QStringLiteral("Data/db.sqlite3"));
        QElapsedTimer timer;
        timer.start();
        Unit1::setProgramDir(dir);
        DM().setProgramDir(dir);
        // Adding to an existing database would not give the same contents again.
        if (DM().isServer() ? QueryValue(SqlText(QStringLiteral("SELECT count(*) FROM UE"))).toLongLong() > 0
                            : QFileInfo::exists(file))
            throw AppError(QStringLiteral("%1 already holds waybills; use an empty one")
                               .arg(DM().isServer() ? DM().setting().describe() : file));
        // Loading only: a crash half-way leaves a folder to delete anyway. The file format
        // stays as the program writes it (this setting lives in the connection).
        DM().ExecSql(SqlText(DM().isServer() ? QStringLiteral("SET synchronous_commit = off")
                                             : QStringLiteral("PRAGMA synchronous = OFF")));

        SampleRng companyRng(CompanySeed);
        FillCompanies(companyRng);
        FillUsers();
        SampleRng contactRng(ContactSeed);
        const QList<SampleContact> senders = FillContacts(QStringLiteral("USender"), contactRng, contacts);
        const QList<SampleContact> recipients = FillContacts(QStringLiteral("UAddressee"), contactRng, contacts);
        SampleRng waybillRng(WaybillSeed);
        FillWaybills(waybillRng, waybills, senders, recipients);

        QStringList summary;
        for (const char* table : {"UE", "USender", "UAddressee", "SCom", "SP", "SUser"})
            summary << TableSummary(QString::fromLatin1(table));
        DM().close();
        out << summary.join(QStringLiteral(", ")) << "; "
            << QStringLiteral("%1 s, %2 MB\n")
                   .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
                   .arg(DM().isServer() ? 0.0 : QFileInfo(file).size() / 1048576.0, 0, 'f', 1);
        return 0;
    } catch (const AppError& error) {
        DM().close();
        err << error.message() << '\n';
        return 1;
    }
}
