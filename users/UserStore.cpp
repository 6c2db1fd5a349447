#include "UserStore.h"

#include "DM.h"
#include "Password.h"

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

} // namespace UserStore
