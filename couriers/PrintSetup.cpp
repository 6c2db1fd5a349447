#include "PrintSetup.h"

#include "DM.h"
#include "Transaction.h"

#include <QSqlQuery>
#include <cmath>

namespace PrintSetup {

namespace {
// Offsets and sizes are typed in tenths of a millimetre; a float's tail beyond that means nothing.
double tenths(double mm) { return std::round(mm * 10) / 10; }

// Stored codes of the origin.
const QString PaperEdgeCode = QStringLiteral("paper-edge");
const QString PrintableAreaCode = QStringLiteral("printable-area");

void ensureFormRow(const QString& companyName)
{
    DM().ExecSql(
        SqlText(QStringLiteral("INSERT INTO SForm (EName) VALUES (?) ON CONFLICT (EName) DO NOTHING "), {companyName}));
}
} // namespace

QString OriginCaption(Origin origin)
{
    return origin == Origin::PaperEdge ? QStringLiteral("纸张边缘") : QStringLiteral("可打印区域");
}

Offset offset(const QString& printerName, const QString& companyName)
{
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT theX, theY, theOrigin "
                                                      "FROM SOffset "
                                                      "WHERE (thePC = ?) "
                                                      "AND (thePrinter = ?) "
                                                      "AND (EName = ?) "),
                                       {DM().workstation(), printerName, companyName}));
    Offset found;
    if (query.next()) {
        found.x = query.value(0).toDouble();
        found.y = query.value(1).toDouble();
        found.origin = query.value(2).toString() == PaperEdgeCode ? Origin::PaperEdge : Origin::PrintableArea;
    }
    return found;
}

void saveOffset(const QString& printerName, const QString& companyName, const Offset& offset)
{
    // On a server each PC keeps its own: the same printer name on two PCs is two printers.
    DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SOffset (thePC, thePrinter, EName, theX, theY, theOrigin) "
                                        "VALUES (?, ?, ?, ?, ?, ?) "
                                        "ON CONFLICT (thePC, thePrinter, EName) DO UPDATE SET "
                                        "theX = excluded.theX, theY = excluded.theY, theOrigin = excluded.theOrigin "),
                         {DM().workstation(), printerName, companyName, tenths(offset.x), tenths(offset.y),
                          offset.origin == Origin::PaperEdge ? PaperEdgeCode : PrintableAreaCode}));
}

Form form(const QString& companyName)
{
    QSqlQuery query = DM().run(
        SqlText(QStringLiteral("SELECT theWidth, theHeight, thePrinter FROM SForm WHERE (EName = ?) "), {companyName}));
    Form found;
    if (query.next()) {
        found.widthMm = query.value(0).toDouble();
        found.heightMm = query.value(1).toDouble();
        found.printer = query.value(2).toString();
    }
    return found;
}

void savePrinter(const QString& companyName, const QString& printer)
{
    Transaction transaction;
    ensureFormRow(companyName);
    DM().ExecSql(SqlText(QStringLiteral("UPDATE SForm SET thePrinter = ? WHERE (EName = ?) "), {printer, companyName}));
    transaction.commit();
}

void saveCalibration(const QString& printerName, const QString& companyName, const Offset& offset,
                     const QString& companyPrinter)
{
    Transaction transaction;
    saveOffset(printerName, companyName, offset);
    savePrinter(companyName, companyPrinter);
    transaction.commit();
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
                const QHash<QString, int>& widths, const Form& form, const QStringList& switchOn)
{
    Transaction transaction;
    CourierStore::savePositions(companyName, positions);
    for (const QString& code : switchOn)
        CourierStore::switchOn(companyName, code);
    for (auto it = widths.begin(); it != widths.end(); ++it)
        DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SPWidth (EName, theName, theW) VALUES (?, ?, ?) "
                                            "ON CONFLICT (EName, theName) DO UPDATE SET theW = excluded.theW "),
                             {companyName, it.key(), qMax(0, it.value())}));
    ensureFormRow(companyName);
    DM().ExecSql(
        SqlText(QStringLiteral("UPDATE SForm SET theWidth = ?, theHeight = ?, thePrinter = ? "
                               "WHERE (EName = ?) "),
                {qMax(0.0, tenths(form.widthMm)), qMax(0.0, tenths(form.heightMm)), form.printer, companyName}));
    transaction.commit();
}

void forgetCompany(const QString& companyName)
{
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SOffset WHERE (EName = ?) "), {companyName}));
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SForm WHERE (EName = ?) "), {companyName}));
    DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SPWidth WHERE (EName = ?) "), {companyName}));
}

} // namespace PrintSetup
