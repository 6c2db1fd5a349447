#include "ServerCopy.h"

#include "AppError.h"
#include "CompanyPicture.h"
#include "DM.h"
#include "Schema.h"
#include "ServerCheck.h"
#include "SqlDialect.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>

namespace ServerCopy {
namespace {

// The tables in the order they are copied, in the user's words; a table not listed here
// is copied after them under its own name.
const QList<QPair<QString, QString>> Captions = {
    {QStringLiteral("SUser"), QStringLiteral("用户")},
    {QStringLiteral("SLevel"), QStringLiteral("用户权限")},
    {QStringLiteral("SCom"), QStringLiteral("快递公司")},
    {QStringLiteral("SP"), QStringLiteral("打印项目")},
    {QStringLiteral("SOffset"), QStringLiteral("打印偏移")},
    {QStringLiteral("SForm"), QStringLiteral("快递单尺寸")},
    {QStringLiteral("SPWidth"), QStringLiteral("打印项目宽度")},
    {QStringLiteral("SPicture"), QStringLiteral("快递单图片")},
    {QStringLiteral("USender"), QStringLiteral("寄件人")},
    {QStringLiteral("UAddressee"), QStringLiteral("收件人")},
    {QStringLiteral("UE"), QStringLiteral("快递单")},
    {QStringLiteral("ULog"), QStringLiteral("打印记录")},
};
const QString Pictures = QStringLiteral("SPicture");

QString caption(const QString& table)
{
    for (const auto& [name, words] : Captions)
        if (name == table)
            return words;
    return table;
}

const QString Untouched = QStringLiteral("服务器上的数据库没有任何改动，本软件仍使用原来的数据。");

struct Cancelled {};

// The database file, read through a connection of its own in one read transaction: every
// table as of one moment.
class SourceFile {
public:
    explicit SourceFile(const QString& path) : m_path(path)
    {
        static int connections = 0;
        m_name = QStringLiteral("orvane-copy-source-%1").arg(++connections);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open() || !db.transaction())
            fail(db.lastError().text());
    }
    ~SourceFile()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.rollback();
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }

    QSqlQuery read(const QString& select)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        query.setForwardOnly(true);
        if (!query.exec(select))
            fail(query.lastError().text() + QLatin1Char('\n') + select);
        return query;
    }
    qint64 count(const QString& table)
    {
        QSqlQuery query = read(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table));
        return query.next() ? query.value(0).toLongLong() : 0;
    }
    // Read through to the end: a failure part way is an error, not the last row.
    void checkRead(const QSqlQuery& query)
    {
        if (query.lastError().isValid())
            fail(query.lastError().text());
    }

private:
    [[noreturn]] void fail(const QString& driverText)
    {
        qWarning("Cannot read %s for the copy: %s", qPrintable(m_path), qPrintable(driverText));
        throw AppError(UnusableFileText(m_path, QStringLiteral("读取它时出错，没有复制任何数据。")));
    }

    QString m_path;
    QString m_name;
};

// Many rows to a statement, prepared once, bound as one value: the rows as a JSON array of
// objects, which the server unpacks into the table's row type. Row by row, a shop's waybills
// would take minutes over a network; with a bound value for each column of each row (which
// the driver sends as text for the server to parse again), and with Qt's JSON classes, half
// as long again as this.
class RowWriter {
public:
    RowWriter(const QSqlDatabase& server, const QString& table, const QStringList& columns, int rowsPerStatement,
              std::function<void(qint64)> written)
        : m_rowsPerStatement(rowsPerStatement), m_written(std::move(written)), m_insert(server)
    {
        // The server folds the unquoted names to lower case, and so must the keys.
        for (const QString& column : columns)
            m_keys << QStringLiteral("\"%1\":").arg(column.toLower());
        const QString list = columns.join(QStringLiteral(", "));
        if (!m_insert.prepare(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM json_populate_recordset(NULL::%1, ?)")
                                  .arg(table, list)))
            throw ServerStatementFailed{m_insert.lastError().text()};
    }

    void add(const QVariantList& row)
    {
        m_json += m_rows == 0 ? u'[' : u',';
        for (int i = 0; i < row.size(); ++i) {
            m_json += i == 0 ? u'{' : u',';
            m_json += m_keys.at(i);
            appendJson(row.at(i));
        }
        m_json += u'}';
        if (++m_rows == m_rowsPerStatement)
            flush();
    }
    void flush()
    {
        if (m_rows > 0) {
            m_json += u']';
            m_insert.bindValue(0, m_json);
            if (!m_insert.exec())
                throw ServerStatementFailed{m_insert.lastError().text() + QLatin1Char('\n') + m_insert.lastQuery()};
        }
        m_written(m_rows);
        m_json.clear();
        m_rows = 0;
    }

private:
    void appendJson(const QVariant& value)
    {
        if (value.isNull()) {
            m_json += QLatin1String("null");
            return;
        }
        switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            m_json += QString::number(value.toLongLong());
            return;
        case QMetaType::Double:
            m_json += QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
            return;
        case QMetaType::QByteArray:
            // bytea's text form.
            m_json += QLatin1String("\"\\\\x") + QString::fromLatin1(value.toByteArray().toHex()) + u'"';
            return;
        default:
            break;
        }
        m_json += u'"';
        for (const QChar c : BoundValue(value, true).toString()) {
            if (c == u'"' || c == u'\\')
                m_json += u'\\';
            if (c.unicode() < 0x20)
                m_json += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                m_json += c;
        }
        m_json += u'"';
    }

    const int m_rowsPerStatement;
    std::function<void(qint64)> m_written;
    QStringList m_keys;
    QSqlQuery m_insert;
    QString m_json;
    int m_rows = 0;
};

class Copier {
public:
    Copier(SourceFile& source, ServerConnection& server, const Progress& progress)
        : m_source(source), m_server(server), m_progress(progress)
    {
    }

    qint64 total = 0;

    // Every row as it is, but an offset's PC: on a server, offsets belong to the PC that set
    // them. True when the table's rows carry an ID.
    bool copyTable(const QString& table)
    {
        QSqlQuery rows = m_source.read(QStringLiteral("SELECT * FROM %1").arg(table));
        const QSqlRecord record = rows.record();
        QStringList columns;
        for (int i = 0; i < record.count(); ++i)
            columns << record.fieldName(i);
        const int pc = table == QLatin1String("SOffset") ? record.indexOf(QStringLiteral("thePC")) : -1;
        // A thousand waybills make a statement of some hundreds of kilobytes.
        RowWriter writer = writerFor(table, columns, 1000);
        while (rows.next()) {
            QVariantList values;
            for (int i = 0; i < columns.size(); ++i)
                values << (i == pc ? QVariant(QSysInfo::machineHostName()) : rows.value(i));
            writer.add(values);
        }
        m_source.checkRead(rows);
        writer.flush();
        return record.contains(QStringLiteral("ID"));
    }

    // A company's picture file is what the file's program shows, so it wins over a row the
    // file's own SPicture may hold for the same company. Returns the rows written.
    qint64 copyPictures(const QStringList& files)
    {
        const QSet<QString> fromFiles(files.begin(), files.end());
        const QStringList columns{QStringLiteral("EName"), QStringLiteral("theData"), QStringLiteral("theTime")};
        // One picture to a statement: a form's scan may be megabytes.
        RowWriter writer = writerFor(Pictures, columns, 1);
        qint64 written = 0;
        QSqlQuery rows = m_source.read(QStringLiteral("SELECT EName, theData, theTime FROM SPicture"));
        while (rows.next()) {
            if (!fromFiles.contains(rows.value(0).toString())) {
                writer.add({rows.value(0), rows.value(1), rows.value(2)});
                ++written;
            }
        }
        m_source.checkRead(rows);
        for (const QString& company : files) {
            const QString path = CompanyPicturePath(company);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw AppError(QStringLiteral("读不了快递公司“%1”的快递单图片 %2，没有复制任何数据。\n"
                                              "请检查这个文件能否读取，再复制一次。")
                                   .arg(company, path));
            writer.add({company, file.readAll(),
                        QFileInfo(path).lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))});
            ++written;
        }
        writer.flush();
        return written;
    }

private:
    RowWriter writerFor(const QString& table, const QStringList& columns, int rowsPerStatement)
    {
        return RowWriter(m_server.database(), table, columns, rowsPerStatement, [this](qint64 rows) {
            m_done += rows;
            if (m_progress && !m_progress(m_done, total))
                throw Cancelled{};
        });
    }

    SourceFile& m_source;
    ServerConnection& m_server;
    const Progress& m_progress;
    qint64 m_done = 0;
};

void refuseUnlessCurrent(const QString& sourceFile)
{
    const Schema::FileCheck check = Schema::inspect(sourceFile);
    switch (check.verdict) {
    case Schema::FileCheck::Ours:
        return;
    case Schema::FileCheck::Missing:
    case Schema::FileCheck::Empty:
        throw AppError(QStringLiteral("这台电脑上还没有本机数据文件，没有可以复制的数据。"));
    case Schema::FileCheck::Older:
        throw AppError(QStringLiteral("本机数据文件 %1 是较早版本的数据（数据版本 %2）。\n"
                                      "请先改用本机数据文件登录一次，让本软件把它升级，再复制。")
                           .arg(sourceFile)
                           .arg(check.version));
    default:
        throw AppError(UnusableFileText(sourceFile, check.reason));
    }
}

QString refusal(const DatabaseSetting& target, int version)
{
    const ServerCheck contents = ServerContents(target, version);
    QString text = QStringLiteral("没有复制：复制只能放进一个空的数据库，服务器上什么也没有改动。\n") + contents.text;
    if (contents.usable())
        text += QStringLiteral("\n要改用那里已有的数据，请直接按“保存”；要搬去这台电脑的数据，"
                               "请在“数据库”里填一个新建的空数据库。");
    return text;
}

} // namespace

QList<TableRows> Copy(const QString& sourceFile, const DatabaseSetting& target, const QString& password,
                      const Progress& progress)
{
    refuseUnlessCurrent(sourceFile);
    SourceFile source(sourceFile);
    ServerConnection server(target, password);
    if (!server.open())
        throw AppError(ServerFailureText(target, server.driverText()));
    try {
        QSqlDatabase db = server.database();
        if (!db.transaction())
            throw ServerStatementFailed{db.lastError().text()};
        // Two PCs starting on this database wait until the copy is in, and then find it.
        server.run(Schema::serverLockStatement());
        const int version = Schema::serverVersion([&server](const QString& select) { return server.value(select); });
        if (version != 0)
            throw AppError(refusal(target, version));
        for (const QString& statement : Schema::serverSchemaStatements())
            server.run(statement);

        QStringList tables;
        for (const auto& [table, words] : Captions)
            tables << table;
        QSqlQuery names = source.read(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name"));
        while (names.next())
            if (!tables.contains(names.value(0).toString()))
                tables << names.value(0).toString();

        QStringList pictureFiles;
        QSqlQuery companies = source.read(QStringLiteral("SELECT DISTINCT theName FROM SCom ORDER BY theName"));
        while (companies.next())
            if (QFileInfo(CompanyPicturePath(companies.value(0).toString())).isFile())
                pictureFiles << companies.value(0).toString();

        Copier copier(source, server, progress);
        QList<TableRows> expected;
        for (const QString& table : tables) {
            expected << TableRows{table, source.count(table)};
            copier.total += expected.last().rows;
        }
        copier.total += pictureFiles.size();
        for (TableRows& table : expected) {
            // Pictures are the server's rows with IDs of its own; the others keep theirs.
            if (table.table == Pictures)
                table.rows = copier.copyPictures(pictureFiles);
            // The next new row gets the ID after the highest copied, not one already taken.
            else if (copier.copyTable(table.table))
                server.run(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), COALESCE(MAX(ID), 0) + 1, "
                                          "false) FROM %1")
                               .arg(table.table));
        }
        for (const TableRows& table : expected) {
            const qint64 copied = server.value(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.table)).toLongLong();
            if (copied != table.rows)
                throw AppError(QStringLiteral("复制没有完成：%1在这台电脑上有 %2 行，复制到服务器的却是 %3 行。\n%4"
                                              "请联系技术支持。")
                                   .arg(caption(table.table))
                                   .arg(table.rows)
                                   .arg(copied)
                                   .arg(Untouched));
        }
        // The first listings on the server plan with the copied rows' statistics.
        QStringList analyzed;
        for (const TableRows& table : expected)
            analyzed << table.table;
        server.run(QStringLiteral("ANALYZE ") + analyzed.join(QStringLiteral(", ")));
        // A cancel during the checks, or the program's end, still leaves the server as it was.
        if (progress && !progress(copier.total, copier.total))
            throw Cancelled{};
        if (!db.commit())
            throw ServerStatementFailed{db.lastError().text()};
        return expected;
    } catch (const ServerStatementFailed& failure) {
        qWarning("Copy to %s failed: %s", qPrintable(target.describe()), qPrintable(failure.driverText));
        throw AppError(
            QStringLiteral("复制到%1时出错，没有完成。%2\n请检查网络和服务器后再复制一次；问题仍在时请联系技术支持。")
                .arg(target.describe(), Untouched));
    } catch (const Cancelled&) {
        throw AppError(QStringLiteral("复制已取消。") + Untouched);
    }
}

QString Summary(const QList<TableRows>& tables)
{
    QStringList parts;
    for (const TableRows& table : tables)
        parts << QStringLiteral("%1 %2 行").arg(caption(table.table)).arg(table.rows);
    return parts.join(QStringLiteral("，"));
}

} // namespace ServerCopy
