#include "Schema.h"

#include "AppError.h"
#include "DM.h"
#include "Password.h"
#include "Transaction.h"
#include "Unit1.h"

#include <QSqlQuery>

namespace {

// Text columns are NOT NULL with an empty default: every statement compares and shows
// them as text, and a NULL would match neither '' nor LIKE '%%'.
const char* const Tables[] = {
    "CREATE TABLE SUser (ID INTEGER PRIMARY KEY AUTOINCREMENT, theName TEXT NOT NULL DEFAULT '', "
    "thePass TEXT NOT NULL DEFAULT '', Remark TEXT NOT NULL DEFAULT '')",

    "CREATE TABLE SLevel (UID INTEGER NOT NULL, theLevel TEXT NOT NULL DEFAULT '')",

    "CREATE TABLE SCom (ID INTEGER PRIMARY KEY AUTOINCREMENT, theName TEXT NOT NULL DEFAULT '', "
    "thePro TEXT NOT NULL DEFAULT '', thePhone TEXT NOT NULL DEFAULT '', theMob TEXT NOT NULL DEFAULT '', "
    "theAdd TEXT NOT NULL DEFAULT '', Remark TEXT NOT NULL DEFAULT '', theDel TEXT NOT NULL DEFAULT '否')",

    "CREATE TABLE SP (ID INTEGER PRIMARY KEY AUTOINCREMENT, EName TEXT NOT NULL DEFAULT '', "
    "theV TEXT NOT NULL DEFAULT '', theName TEXT NOT NULL DEFAULT '', theT INTEGER NOT NULL DEFAULT 0, "
    "theL INTEGER NOT NULL DEFAULT 0, theP TEXT NOT NULL DEFAULT '是')",

    "CREATE TABLE USender (ID INTEGER PRIMARY KEY AUTOINCREMENT, theName TEXT NOT NULL DEFAULT '', "
    "thePhone TEXT NOT NULL DEFAULT '', theMob TEXT NOT NULL DEFAULT '', theDept TEXT NOT NULL DEFAULT '', "
    "theANum TEXT NOT NULL DEFAULT '', theA1 TEXT NOT NULL DEFAULT '', theA2 TEXT NOT NULL DEFAULT '', "
    "theA3 TEXT NOT NULL DEFAULT '', theAdd TEXT NOT NULL DEFAULT '', thePNum TEXT NOT NULL DEFAULT '', "
    "Remark TEXT NOT NULL DEFAULT '', theDel TEXT NOT NULL DEFAULT '否', NPY TEXT NOT NULL DEFAULT '', "
    "DPY TEXT NOT NULL DEFAULT '')",

    "CREATE TABLE UAddressee (ID INTEGER PRIMARY KEY AUTOINCREMENT, theName TEXT NOT NULL DEFAULT '', "
    "thePhone TEXT NOT NULL DEFAULT '', theMob TEXT NOT NULL DEFAULT '', theDept TEXT NOT NULL DEFAULT '', "
    "theANum TEXT NOT NULL DEFAULT '', theA1 TEXT NOT NULL DEFAULT '', theA2 TEXT NOT NULL DEFAULT '', "
    "theA3 TEXT NOT NULL DEFAULT '', theAdd TEXT NOT NULL DEFAULT '', thePNum TEXT NOT NULL DEFAULT '', "
    "Remark TEXT NOT NULL DEFAULT '', theDel TEXT NOT NULL DEFAULT '否', NPY TEXT NOT NULL DEFAULT '', "
    "DPY TEXT NOT NULL DEFAULT '')",

    "CREATE TABLE UE (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
    "JName TEXT NOT NULL DEFAULT '', JPhone TEXT NOT NULL DEFAULT '', JMob TEXT NOT NULL DEFAULT '', "
    "JDept TEXT NOT NULL DEFAULT '', JANum TEXT NOT NULL DEFAULT '', JA1 TEXT NOT NULL DEFAULT '', "
    "JA2 TEXT NOT NULL DEFAULT '', JA3 TEXT NOT NULL DEFAULT '', JAdd TEXT NOT NULL DEFAULT '', "
    "JPNum TEXT NOT NULL DEFAULT '', "
    "SName TEXT NOT NULL DEFAULT '', SPhone TEXT NOT NULL DEFAULT '', SMob TEXT NOT NULL DEFAULT '', "
    "SDept TEXT NOT NULL DEFAULT '', SANum TEXT NOT NULL DEFAULT '', SA1 TEXT NOT NULL DEFAULT '', "
    "SA2 TEXT NOT NULL DEFAULT '', SA3 TEXT NOT NULL DEFAULT '', SAdd TEXT NOT NULL DEFAULT '', "
    "SPNum TEXT NOT NULL DEFAULT '', "
    "EName TEXT NOT NULL DEFAULT '', ENum TEXT NOT NULL DEFAULT '', EAN TEXT NOT NULL DEFAULT '', "
    "ZDY1 TEXT NOT NULL DEFAULT '', ZDY2 TEXT NOT NULL DEFAULT '', ZDY3 TEXT NOT NULL DEFAULT '', "
    "Remark TEXT NOT NULL DEFAULT '', theDel TEXT NOT NULL DEFAULT '否', "
    "JNPY TEXT NOT NULL DEFAULT '', JDPY TEXT NOT NULL DEFAULT '', SNPY TEXT NOT NULL DEFAULT '', "
    "SDPY TEXT NOT NULL DEFAULT '', myDate TEXT NOT NULL DEFAULT '', UName TEXT NOT NULL DEFAULT '')",

    // Listings show live rows newest first; look-ups go by name, company and code.
    "CREATE INDEX SUser_Name ON SUser (theName)",
    "CREATE INDEX SLevel_UID ON SLevel (UID)",
    "CREATE INDEX SCom_Live ON SCom (theDel, ID)",
    "CREATE INDEX SCom_Name ON SCom (theName)",
    "CREATE INDEX SP_Company ON SP (EName, theName)",
    "CREATE INDEX USender_Live ON USender (theDel, ID)",
    "CREATE INDEX USender_NameDept ON USender (theName, theDept)",
    "CREATE INDEX UAddressee_Live ON UAddressee (theDel, ID)",
    "CREATE INDEX UAddressee_NameDept ON UAddressee (theName, theDept)",
    "CREATE INDEX UE_Live ON UE (theDel, ID)",
    "CREATE INDEX UE_Date ON UE (myDate)",
};

// Version 2: print set-up per printer and company (offsets, the form's width, box
// widths), the print log, and an index for a company among a shop's million waybills.
const char* const Version2[] = {
    "CREATE TABLE SOffset (ID INTEGER PRIMARY KEY AUTOINCREMENT, thePrinter TEXT NOT NULL DEFAULT '', "
    "EName TEXT NOT NULL DEFAULT '', theX REAL NOT NULL DEFAULT 0, theY REAL NOT NULL DEFAULT 0, "
    "theOrigin TEXT NOT NULL DEFAULT '可打印区域')",
    "CREATE UNIQUE INDEX SOffset_Key ON SOffset (thePrinter, EName)",
    "CREATE TABLE SForm (ID INTEGER PRIMARY KEY AUTOINCREMENT, EName TEXT NOT NULL DEFAULT '', "
    "theWidth REAL NOT NULL DEFAULT 0)",
    "CREATE UNIQUE INDEX SForm_Key ON SForm (EName)",
    "CREATE TABLE SPWidth (ID INTEGER PRIMARY KEY AUTOINCREMENT, EName TEXT NOT NULL DEFAULT '', "
    "theName TEXT NOT NULL DEFAULT '', theW INTEGER NOT NULL DEFAULT 0)",
    "CREATE UNIQUE INDEX SPWidth_Key ON SPWidth (EName, theName)",
    "CREATE TABLE ULog (ID INTEGER PRIMARY KEY AUTOINCREMENT, WID INTEGER NOT NULL, "
    "theTime TEXT NOT NULL DEFAULT '', thePrinter TEXT NOT NULL DEFAULT '', UName TEXT NOT NULL DEFAULT '', "
    "theKind TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX ULog_Waybill ON ULog (WID)",
    // A company among a million live waybills: without it the count walks every live
    // row. Partial, so that a filter it cannot narrow still walks the live rows in ID
    // order (UE_Live) rather than jumping through it.
    "CREATE INDEX UE_LiveCompany ON UE (EName) WHERE theDel = '否'",
};

// A company's form gets its height and a printer of its own (empty: the system's
// default), and the offsets' origin is stored as a code rather than its caption.
const char* const PrintForms[] = {
    "ALTER TABLE SForm ADD COLUMN theHeight REAL NOT NULL DEFAULT 0",
    "ALTER TABLE SForm ADD COLUMN thePrinter TEXT NOT NULL DEFAULT ''",
    "UPDATE SOffset SET theOrigin = CASE theOrigin WHEN '纸张边缘' THEN 'paper-edge' ELSE 'printable-area' END",
};

// Each step takes a database from the version before it to its own.
struct Step {
    const char* const* begin;
    const char* const* end;
};
const Step Steps[] = {
    {std::begin(Tables), std::end(Tables)},
    {std::begin(Version2), std::end(Version2)},
    {std::begin(PrintForms), std::end(PrintForms)},
};

int userVersion(TfrmDM& dm)
{
    QSqlQuery query = dm.run(SqlText(QStringLiteral("PRAGMA user_version")));
    return query.next() ? query.value(0).toInt() : 0;
}

bool hasTables(TfrmDM& dm)
{
    return dm.QueryCount(SqlText(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                "AND name NOT LIKE 'sqlite%'"))) > 0;
}

} // namespace

namespace Schema {

void ensure(TfrmDM& dm)
{
    const int version = userVersion(dm);
    if (version == Version)
        return;
    if (version > Version)
        throw AppError(QStringLiteral("数据库 %1 由更新版本的软件创建，无法打开。").arg(dm.databasePath()));
    if (version == 0 && hasTables(dm))
        throw AppError(UnusableFileText(dm.databasePath(), QStringLiteral("它不是本软件的数据文件。")));

    // All steps or none: a failure part way leaves the file at the version it had.
    Transaction transaction;
    for (int step = version; step < Version; ++step) {
        for (auto statement = Steps[step].begin; statement != Steps[step].end; ++statement)
            dm.ExecSql(SqlText(QString::fromUtf8(*statement)));
        if (step == 0)
            dm.ExecSql(SqlText(QStringLiteral("INSERT INTO SUser (theName, thePass, Remark) VALUES (?, ?, ?) "),
                               {QStringLiteral("admin"), Password::hash(Unit1::InitialPassword), QString()}));
    }
    dm.ExecSql(SqlText(QStringLiteral("PRAGMA user_version = %1").arg(Version)));
    transaction.commit();
}

} // namespace Schema
