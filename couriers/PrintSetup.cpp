#include "PrintSetup.h"

#include "DM.h"
#include "SqlDialect.h"
#include "Transaction.h"

#include <QSqlQuery>
#include <cmath>

namespace PrintSetup {

namespace {
// Offsets are typed in tenths of a millimetre; a float's tail beyond that means nothing.
double tenths(double mm) { return std::round(mm * 10) / 10; }
} // namespace

QString OriginText(Origin origin)
{
    return origin == Origin::PaperEdge ? QStringLiteral("纸张边缘") : QStringLiteral("可打印区域");
}

Origin OriginFromText(const QString& text)
{
    return text == QStringLiteral("纸张边缘") ? Origin::PaperEdge : Origin::PrintableArea;
}

Offset offset(const QString& printerName, const QString& companyName)
{
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT theX, theY, theOrigin "
                                                      "FROM SOffset "
                                                      "WHERE (thePrinter = ?) "
                                                      "AND (EName = ?) "),
                                       {printerName, companyName}));
    Offset found;
    if (query.next()) {
        found.x = query.value(0).toDouble();
        found.y = query.value(1).toDouble();
        found.origin = OriginFromText(query.value(2).toString());
    }
    return found;
}

void saveOffset(const QString& printerName, const QString& companyName, const Offset& offset)
{
    DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SOffset (thePrinter, EName, theX, theY, theOrigin) "
                                        "VALUES (?, ?, ?, ?, ?) "
                                        "ON CONFLICT (thePrinter, EName) DO UPDATE SET "
                                        "theX = excluded.theX, theY = excluded.theY, theOrigin = excluded.theOrigin "),
                         {printerName, companyName, tenths(offset.x), tenths(offset.y), OriginText(offset.origin)}));
}

double formWidth(const QString& companyName)
{
    return QueryValue(SqlText(QStringLiteral("SELECT theWidth FROM SForm WHERE (EName = ?) "), {companyName}))
        .toDouble();
}

QHash<QString, int> boxWidths(const QString& companyName)
{
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT theName, theW "
                                                      "FROM SPWidth "
                                                      "WHERE (EName = ?) "
                                                      "AND (theW > 0) "),
                                       {companyName}));
    QHash<QString, int> widths;
    while (query.next())
        widths.insert(query.value(0).toString(), query.value(1).toInt());
    return widths;
}

void saveLayout(const QString& companyName, const QList<CourierStore::ItemPosition>& positions,
                const QHash<QString, int>& widths, double formWidthMm)
{
    Transaction transaction;
    CourierStore::savePositions(companyName, positions);
    for (auto it = widths.begin(); it != widths.end(); ++it)
        DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SPWidth (EName, theName, theW) VALUES (?, ?, ?) "
                                            "ON CONFLICT (EName, theName) DO UPDATE SET theW = excluded.theW "),
                             {companyName, it.key(), qMax(0, it.value())}));
    DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SForm (EName, theWidth) VALUES (?, ?) "
                                        "ON CONFLICT (EName) DO UPDATE SET theWidth = excluded.theWidth "),
                         {companyName, qMax(0.0, tenths(formWidthMm))}));
    transaction.commit();
}

void forgetCompany(const QString& companyName)
{
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SOffset WHERE (EName = ?) "), {companyName}));
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SForm WHERE (EName = ?) "), {companyName}));
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SPWidth WHERE (EName = ?) "), {companyName}));
}

} // namespace PrintSetup
