#include "ServerCheck.h"

#include "DM.h"
#include "Schema.h"
#include "SqlDialect.h"

#include <QSqlError>

namespace {

QString serverName(const DatabaseSetting& setting)
{
    return QStringLiteral("服务器 %1:%2").arg(setting.host).arg(setting.port);
}

ServerCheck failedConnection(const DatabaseSetting& setting, const QString& password)
{
    const ServerFailure kind = ServerFailureKind(setting, password);
    switch (kind) {
    case ServerFailure::Refused:
        return {
            ServerCheck::Refused, 0,
            QStringLiteral("%1有应答，但拒绝了用户 %2 的登录：密码不对，或者没有输入密码而这台电脑也没有保存过它。\n"
                           "请在“密码”框里输入正确的密码，再按“测试连接”。")
                .arg(serverName(setting), setting.user)};
    case ServerFailure::Missing:
        return {ServerCheck::Missing, 0,
                QStringLiteral("%1有应答，但上面没有数据库 %2。\n请改正名称，或请服务器管理员建好它。")
                    .arg(serverName(setting), setting.database)};
    case ServerFailure::Unreachable:
        return {ServerCheck::Unreachable, 0,
                QStringLiteral("%1没有应答。\n请检查地址和端口是否填对、那台服务器是否开着、网络是否通。")
                    .arg(serverName(setting))};
    default:
        // The server answered, and said why it lets no one in now.
        return {ServerCheck::Refused, 0, ServerFailureText(setting, kind)};
    }
}

} // namespace

ServerConnection::ServerConnection(const DatabaseSetting& setting, const QString& password)
{
    static int connections = 0;
    m_name = QStringLiteral("orvane-other-%1").arg(++connections);
    QSqlDatabase db = AddServerConnection(setting, m_name);
    if (!password.isEmpty())
        db.setPassword(password);
}

ServerConnection::~ServerConnection()
{
    {
        QSqlDatabase db = database();
        // Closing ends an open transaction without its writes.
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase ServerConnection::database() const { return QSqlDatabase::database(m_name, false); }

bool ServerConnection::open()
{
    QSqlDatabase db = database();
    if (db.open())
        return true;
    m_driverText = db.lastError().text();
    return false;
}

QSqlQuery ServerConnection::run(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(database());
    bool done = false;
    if (values.isEmpty()) {
        done = query.exec(sql);
    } else if (query.prepare(sql)) {
        for (const QVariant& value : values)
            query.addBindValue(BoundValue(value, true));
        done = query.exec();
    }
    if (!done)
        throw ServerStatementFailed{query.lastError().text() + QLatin1Char('\n') + sql};
    return query;
}

QVariant ServerConnection::value(const QString& select)
{
    QSqlQuery query = run(select);
    return query.next() ? query.value(0) : QVariant();
}

ServerCheck ServerContents(const DatabaseSetting& setting, int version)
{
    const QString database = QStringLiteral("数据库 %1").arg(setting.database);
    if (version == 0)
        return {ServerCheck::Empty, 0,
                QStringLiteral("%1是空的：保存后，第一次登录时本软件会在里面建立自己的表；"
                               "要把这台电脑上的数据搬过去，请按“复制到服务器”。")
                    .arg(database)};
    if (version < 0)
        return {ServerCheck::Foreign, version,
                QStringLiteral(
                    "%1里已有别的程序的表，本软件不会使用或改动它。\n请换一个空的数据库，或请服务器管理员新建一个。")
                    .arg(database)};
    if (version > Schema::Version)
        return {ServerCheck::Newer, version,
                QStringLiteral("%1由更新版本的本软件建立（数据版本 %2，本版本只认得到 %3）。\n"
                               "请先在这台电脑上安装那个更新的版本。")
                    .arg(database)
                    .arg(version)
                    .arg(Schema::Version)};
    if (version < Schema::Version)
        return {ServerCheck::Older, version,
                QStringLiteral("%1里是本软件较早版本的数据（数据版本 %2），保存后登录时会升级到第 %3 版。")
                    .arg(database)
                    .arg(version)
                    .arg(Schema::Version)};
    return {ServerCheck::Ours, version,
            QStringLiteral("%1里是本软件的数据（数据版本 %2）。").arg(database).arg(version)};
}

ServerCheck CheckServer(const DatabaseSetting& setting, const QString& password)
{
    ServerConnection connection(setting, password);
    if (!connection.open()) {
        qWarning("Cannot connect to %s: %s", qPrintable(setting.describe()), qPrintable(connection.driverText()));
        return failedConnection(setting, password);
    }
    const QString connected =
        QStringLiteral("连接成功：%1有应答，用户 %2 的密码正确。\n").arg(serverName(setting), setting.user);
    try {
        ServerCheck check = ServerContents(
            setting, Schema::serverVersion([&connection](const QString& select) { return connection.value(select); }));
        check.text.prepend(connected);
        return check;
    } catch (const ServerStatementFailed& failure) {
        qWarning("Cannot read what %s holds: %s", qPrintable(setting.describe()), qPrintable(failure.driverText));
        return {ServerCheck::Foreign, 0,
                connected +
                    QStringLiteral("但读不出数据库 %1 里有什么，本软件不能使用它。\n请服务器管理员检查用户 %2 的权限。")
                        .arg(setting.database, setting.user)};
    }
}
