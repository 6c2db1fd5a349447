#include "UserStore.h"

#include "AppError.h"
#include "DM.h"
#include "Password.h"
#include "SqlDialect.h"
#include "Transaction.h"
#include "Unit1.h"

#include <QSqlQuery>

namespace UserStore {

QString checkLogin(const QString& name, const QString& password)
{
    // The password is compared against each row's hash instead of inside the WHERE clause.
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT ID, theName, thePass "
                                                      "FROM SUser "
                                                      "WHERE (theName = ?) "),
                                       {name}));
    QString matched;
    int matches = 0;
    while (query.next()) {
        if (Password::verify(password, query.value(2).toString())) {
            matched = query.value(1).toString();
            ++matches;
        }
    }
    return matches == 1 ? matched : QString();
}

void setPassword(const QString& name, const QString& password)
{
    DM().ExecSql(
        SqlText(QStringLiteral("UPDATE SUser SET thePass = ? WHERE (theName = ?)"), {Password::hash(password), name}));
}

SqlText userListing() { return SqlText(QStringLiteral("SELECT theName AS 用户名, Remark AS 备注, ID FROM SUser ")); }

bool nameExists(const QString& name)
{
    return DM().QueryCount(SqlText(QStringLiteral("SELECT ID FROM SUser WHERE (theName = ?)"), {name})) > 0;
}

void addUser(const QString& name, const QString& remark)
{
    DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SUser (theName, thePass, Remark) VALUES (?, ?, ?)"),
                         {name, Password::hash(Unit1::InitialPassword), remark}));
}

QString deleteRefusal(const QString& name)
{
    if (name == Unit1::currentUserName())
        return QStringLiteral("不能删除当前登录的用户！");
    if (QueryValue(SqlText(QStringLiteral("SELECT COUNT(*) FROM SUser"))).toInt() <= 1)
        return QStringLiteral("不能删除最后一个用户：删除后任何人都无法登录。");
    return QString();
}

void deleteUser(qint64 id)
{
    Transaction transaction;
    // Two PCs deleting the last two users at once: the second counts what the first left.
    transaction.serialise({QStringLiteral("SUser")});
    // Confirmed again under the lock: a user deleted meanwhile deletes no one.
    DM().confirmUser();
    const QVariant name = QueryValue(SqlText(QStringLiteral("SELECT theName FROM SUser WHERE (ID = ?)"), {id}));
    if (name.isNull())
        throw AppError(QStringLiteral("这个用户已经被删除了（可能是在另一台电脑上）。"));
    const QString refusal = deleteRefusal(name.toString());
    if (!refusal.isEmpty())
        throw AppError(refusal);
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SLevel WHERE (UID = ?)"), {id}));
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SUser WHERE (ID = ?)"), {id}));
    transaction.commit();
}

} // namespace UserStore
