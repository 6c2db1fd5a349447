#include "Schema.h"

#include "AppError.h"
#include "DM.h"
#include "Password.h"
#include "SqlDialect.h"
#include "SqliteHandle.h"
#include "Transaction.h"
#include "Unit1.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlQuery>
#include <QUrl>

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
// widths), the print log, and the indexes a shop's million waybills are filtered by.
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
    // A date range or a company among a million live waybills: without these the count
    // walks every live row.
    "CREATE INDEX UE_LiveDate ON UE (theDel, myDate)",
    "CREATE INDEX UE_LiveCompany ON UE (theDel, EName)",
};

// Version 3: one index for a company among the live waybills, partial, so that a filter
// it cannot narrow still walks the live rows in ID order (UE_Live) rather than jumping
// through it. Some builds of version 2 made this index already in place of the two
// above; either kind of version-2 file ends with the same indexes.
const char* const Version3[] = {
    "DROP INDEX IF EXISTS UE_LiveDate",
    "DROP INDEX IF EXISTS UE_LiveCompany",
    "CREATE INDEX UE_LiveCompany ON UE (EName) WHERE theDel = '否'",
};

// Version 4: a company's form gets its height and a printer of its own (empty: the system's
// default), and the offsets' origin is stored as a code rather than its caption.
const char* const Version4[] = {
    "ALTER TABLE SForm ADD COLUMN theHeight REAL NOT NULL DEFAULT 0",
    "ALTER TABLE SForm ADD COLUMN thePrinter TEXT NOT NULL DEFAULT ''",
    "UPDATE SOffset SET theOrigin = CASE theOrigin WHEN '纸张边缘' THEN 'paper-edge' ELSE 'printable-area' END",
};

// Version 5: what several PCs on one server database need. The print log's kind is a code
// rather than its caption; a waybill carries a version number, so a save over a copy that
// another PC changed meanwhile is noticed; offsets belong to a PC as well as a printer (the
// same printer name on two PCs is two printers); the companies' form pictures can be kept in
// the database, where every PC reads the same one.
const char* const Version5[] = {
    "UPDATE ULog SET theKind = CASE theKind WHEN '批量' THEN 'batch' ELSE 'single' END",
    "ALTER TABLE UE ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE SOffset ADD COLUMN thePC TEXT NOT NULL DEFAULT ''",
    "DROP INDEX SOffset_Key",
    "CREATE UNIQUE INDEX SOffset_Key ON SOffset (thePC, thePrinter, EName)",
    "CREATE TABLE SPicture (ID INTEGER PRIMARY KEY AUTOINCREMENT, EName TEXT NOT NULL DEFAULT '', "
    "theData BLOB NOT NULL, theTime TEXT NOT NULL DEFAULT '')",
    "CREATE UNIQUE INDEX SPicture_Key ON SPicture (EName)",
};

// Version 6: a contact remembers the waybill that used it last (its ID, 0 for never), so
// that the look-up offers the contacts used most recently first.
const char* const Version6[] = {
    "ALTER TABLE USender ADD COLUMN theUsed INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE UAddressee ADD COLUMN theUsed INTEGER NOT NULL DEFAULT 0",
};

// Version 7: every company gets the sender's and the recipient's full address (JP11, SP11),
// after its other items so that ID order stays code order, switched off so that its layout
// prints as before, as wide as a block so that long place names wrap.
const char* const Version7[] = {
    "INSERT INTO SP (EName, theV, theName, theT, theL, theP) "
    "SELECT DISTINCT EName, '寄件人完整地址', 'JP11', 265, 10, '否' FROM SP WHERE theName = 'JP01'",
    "INSERT INTO SP (EName, theV, theName, theT, theL, theP) "
    "SELECT DISTINCT EName, '收件人完整地址', 'SP11', 150, 510, '否' FROM SP WHERE theName = 'JP01'",
    "INSERT INTO SPWidth (EName, theName, theW) SELECT DISTINCT EName, 'JP11', 360 FROM SP WHERE theName = 'JP01'",
    "INSERT INTO SPWidth (EName, theName, theW) SELECT DISTINCT EName, 'SP11', 360 FROM SP WHERE theName = 'JP01'",
};

// Version 8: contacts and companies carry a version number as waybills do, so that a
// save over a copy another PC changed or deleted meanwhile is refused.
const char* const Version8[] = {
    "ALTER TABLE USender ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE UAddressee ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE SCom ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0",
};

// Each step takes a database from the version before it to its own: Steps[0] makes
// version 1. A step, once released, never changes; a new schema is a new step at the end.
struct Step {
    const char* const* begin;
    const char* const* end;
};
const Step Steps[] = {
    {std::begin(Tables), std::end(Tables)},     {std::begin(Version2), std::end(Version2)},
    {std::begin(Version3), std::end(Version3)}, {std::begin(Version4), std::end(Version4)},
    {std::begin(Version5), std::end(Version5)}, {std::begin(Version6), std::end(Version6)},
    {std::begin(Version7), std::end(Version7)}, {std::begin(Version8), std::end(Version8)},
};
static_assert(std::size(Steps) == Schema::Version, "one step for each version");

using Shape = QMap<QString, QStringList>; // each table's columns, in their order

// SQLite's result code, and the rows of a statement with each column as text.
int readRows(sqlite3* db, const char* sql, QList<QStringList>* rows)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i)
            row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
        rows->append(row);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int readShape(sqlite3* db, Shape* shape)
{
    QList<QStringList> rows;
    const int rc = readRows(db,
                            "SELECT m.name, c.name FROM sqlite_master AS m, pragma_table_info(m.name) AS c "
                            "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite%' ORDER BY m.name, c.cid",
                            &rows);
    for (const QStringList& row : rows)
        (*shape)[row[0]] << row[1];
    return rc;
}

// The tables and columns of each version (index: the version), made by running the
// steps up to it in a database in memory: a list kept by hand would drift from them.
const QList<Shape>& versionShapes()
{
    static const QList<Shape> shapes = [] {
        sqlite3* opened = nullptr;
        sqlite3_open(":memory:", &opened);
        const SqliteHandle db(opened);
        QList<Shape> result{Shape()};
        for (int version = 1; version <= Schema::Version; ++version) {
            for (const QString& statement : Schema::stepStatements(version))
                if (sqlite3_exec(db.get(), statement.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
                    qFatal("Schema step statement failed in memory: %s", sqlite3_errmsg(db.get()));
            result << Shape();
            readShape(db.get(), &result.last());
        }
        return result;
    }();
    return shapes;
}

using Check = Schema::FileCheck;

Check refused(Check::Verdict verdict, const QString& reason, int version = 0) { return {verdict, version, reason}; }

Check unreadable(const QString& reason) { return refused(Check::Unreadable, reason); }

QString foreignReason() { return QStringLiteral("它不是本软件的数据文件。"); }

QString newerReason(int version)
{
    return QStringLiteral("它由更新版本的本软件创建（数据版本 %1，本版本只认得到 %2）。请安装那个更新的版本来打开它。")
        .arg(version)
        .arg(Schema::Version);
}

const char* const VersionTable = "CREATE TABLE SVersion (theVersion INTEGER NOT NULL)";

int userVersion(TfrmDM& dm)
{
    if (dm.isServer())
        return Schema::serverVersion([](const QString& select) { return QueryValue(SqlText(select)); });
    QSqlQuery query = dm.run(SqlText(QStringLiteral("PRAGMA user_version")));
    return query.next() ? query.value(0).toInt() : 0;
}

void setVersion(TfrmDM& dm, int version)
{
    if (dm.isServer()) {
        if (!QueryValue(SqlText(QStringLiteral("SELECT to_regclass('sversion') IS NOT NULL"))).toBool()) {
            dm.ExecSql(SqlText(QString::fromLatin1(VersionTable)));
            dm.ExecSql(SqlText(QStringLiteral("INSERT INTO SVersion (theVersion) VALUES (0)")));
        }
        dm.ExecSql(SqlText(QStringLiteral("UPDATE SVersion SET theVersion = ?"), {version}));
    } else {
        dm.ExecSql(SqlText(QStringLiteral("PRAGMA user_version = %1").arg(version)));
    }
}

QString whereTheDataIs(TfrmDM& dm) { return dm.isServer() ? dm.setting().describe() : dm.databasePath(); }

void migrate(TfrmDM& dm, int version)
{
    // All steps or none: a failure part way leaves the file at the version it had.
    Transaction transaction;
    try {
        if (dm.isServer()) {
            // Two PCs starting at once on a new server: the second waits, then finds the work done.
            dm.ExecSql(SqlText(Schema::serverLockStatement()));
            version = userVersion(dm);
            if (version == Schema::Version) {
                transaction.commit();
                return;
            }
        }
        for (int next = version + 1; next <= Schema::Version; ++next) {
            for (const QString& statement : Schema::stepStatements(next))
                dm.ExecSql(SqlText(SchemaStatement(statement)));
            if (next == 1)
                dm.ExecSql(SqlText(QStringLiteral("INSERT INTO SUser (theName, thePass, Remark) VALUES (?, ?, ?) "),
                                   {QStringLiteral("admin"), Password::hash(Unit1::InitialPassword), QString()}));
        }
        setVersion(dm, Schema::Version);
        transaction.commit();
    } catch (const AppError& error) {
        // The driver's words go to the log for whoever helps the user; the user is told
        // what happened and what to do. The transaction rolls back as this unwinds.
        qWarning("Migration from version %d failed: %s", version, qPrintable(error.message()));
        if (version == 0)
            throw AppError(
                QStringLiteral("无法在 %1 建立数据库，什么也没有写入。\n请确认那里能够写入，或者联系技术支持。")
                    .arg(whereTheDataIs(dm)));
        throw AppError(QStringLiteral("数据库升级失败：数据 %1 没能从第 %2 版升级到第 %3 版，它仍保持原样。\n"
                                      "请联系技术支持；在此之前可以继续用原来版本的本软件，"
                                      "或者用它的备份副本换回它。")
                           .arg(whereTheDataIs(dm))
                           .arg(version)
                           .arg(Schema::Version));
    }
}

} // namespace

namespace Schema {

FileCheck inspect(const QString& databasePath)
{
    const QFileInfo info(databasePath);
    if (!info.exists())
        return {FileCheck::Missing};
    if (info.isDir())
        return unreadable(QStringLiteral("这里应是数据库文件，现在却是一个文件夹。"));
    QFile file(databasePath);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("无法读取它，请检查它的读取权限。"));
    const QByteArray header = file.read(100);
    if (header.isEmpty())
        return {FileCheck::Empty};

    // A file in WAL mode whose log is absent or empty holds all its data itself: read it
    // as immutable, since a read-only connection would leave a log and an index beside it.
    const bool walMode = header.size() >= 20 && header[18] == 2 && header[19] == 2;
    QString uri =
        QString::fromUtf8(QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded()) + QStringLiteral("?mode=ro");
    if (walMode && QFileInfo(databasePath + QStringLiteral("-wal")).size() == 0)
        uri += QStringLiteral("&immutable=1");
    sqlite3* opened = nullptr;
    const int openRc =
        sqlite3_open_v2(uri.toUtf8().constData(), &opened, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    const SqliteHandle db(opened);
    if (openRc != SQLITE_OK)
        return unreadable(QStringLiteral("无法读取它，请检查它的读取权限。"));
    sqlite3_busy_timeout(db.get(), 5000);

    QList<QStringList> rows;
    Shape shape;
    int rc = readRows(db.get(), "PRAGMA user_version", &rows);
    const int version = rows.isEmpty() ? 0 : rows.first().value(0).toInt();
    if (rc == SQLITE_OK && version > Version)
        return refused(FileCheck::Newer, newerReason(version), version);
    if (rc == SQLITE_OK)
        rc = readShape(db.get(), &shape);
    switch (rc & 0xff) {
    case SQLITE_OK:
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return unreadable(QStringLiteral("另一个程序正占用它，等候 5 秒后仍未释放。请关闭那个程序后再试。"));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return unreadable(QStringLiteral("它已损坏，或者不是数据库文件。"));
    default:
        return unreadable(QStringLiteral("无法读取它（错误代码 %1），请联系技术支持。").arg(rc));
    }
    if (version == 0)
        return shape.isEmpty() ? FileCheck{FileCheck::Empty} : refused(FileCheck::Foreign, foreignReason());
    if (version < 0 || shape != versionShapes().at(version))
        return refused(FileCheck::Foreign, foreignReason(), version);
    return {version == Version ? FileCheck::Ours : FileCheck::Older, version};
}

QStringList stepStatements(int version)
{
    Q_ASSERT(version >= 1 && version <= Version);
    QStringList statements;
    for (auto statement = Steps[version - 1].begin; statement != Steps[version - 1].end; ++statement)
        statements << QString::fromUtf8(*statement);
    return statements;
}

QString serverLockStatement() { return QStringLiteral("SELECT pg_advisory_xact_lock(804615)"); }

int serverVersion(const std::function<QVariant(const QString&)>& valueOf)
{
    if (valueOf(QStringLiteral("SELECT to_regclass('sversion') IS NOT NULL")).toBool())
        return valueOf(QStringLiteral("SELECT theVersion FROM SVersion")).toInt();
    const QVariant tables =
        valueOf(QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema()"));
    return tables.toInt() == 0 ? 0 : -1;
}

QStringList serverSchemaStatements()
{
    QStringList statements;
    for (int version = 1; version <= Version; ++version)
        for (const QString& statement : stepStatements(version))
            statements << SchemaStatement(statement, true);
    statements << QString::fromLatin1(VersionTable)
               << QStringLiteral("INSERT INTO SVersion (theVersion) VALUES (%1)").arg(Version);
    return statements;
}

void ensure(TfrmDM& dm)
{
    const int version = userVersion(dm);
    if (version == Version)
        return;
    if (dm.isServer() && version < 0)
        throw AppError(QStringLiteral("%1里已有别的程序的表，本软件不会改动它们。\n"
                                      "请在“数据库设置”里换一个空的数据库，或请服务器管理员新建一个。")
                           .arg(dm.setting().describe()));
    if (dm.isServer() && version > Version)
        throw AppError(QStringLiteral("%1由更新版本的本软件建立（数据版本 %2，本版本只认得到 %3）。\n"
                                      "请在这台电脑上安装那个更新的版本。")
                           .arg(dm.setting().describe())
                           .arg(version)
                           .arg(Version));
    // inspect() has let the file through; only a change since then gets here.
    if (version < 0)
        throw AppError(UnusableFileText(dm.databasePath(), foreignReason()));
    if (version > Version)
        throw AppError(UnusableFileText(dm.databasePath(), newerReason(version)));
    migrate(dm, version);
}

} // namespace Schema
