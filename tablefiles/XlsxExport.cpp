#include "XlsxExport.h"

#include "SqlDialect.h"
#include "AppError.h"
#include "DM.h"
#include "DateText.h"
#include "GbkText.h"

#include <QDir>

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <memory>
#include <xlsxwriter.h>

namespace {

// The workbook is assembled only when it is closed; freeing it unclosed writes nothing.
struct WorkbookFree {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};
using Workbook = std::unique_ptr<lxw_workbook, WorkbookFree>;

[[noreturn]] void fail(const QString& path, lxw_error error)
{
    if (error == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE)
        throw AppError(
            QStringLiteral("记录超过一张 Excel 工作表能容纳的 %1 行，请缩小查询条件后再导出。").arg(LXW_ROW_MAX - 1));
    throw AppError(QStringLiteral("无法写入文件 %1：%2").arg(path, QString::fromUtf8(lxw_strerror(error))));
}

struct Column {
    int field;
    bool date;
};

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: // the server's driver reads a count as unsigned
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

lxw_error writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const QVariant& value, bool isDate,
                    lxw_format* dateFormat, qint64* cutCells)
{
    if (isNumber(value))
        return worksheet_write_number(sheet, row, column, value.toDouble(), nullptr);
    QString text = value.toString();
    const QDate date = isDate ? QDate::fromString(text, DateFormat) : QDate();
    // Excel counts days from 1900; an earlier or unreadable date stays as it was typed.
    if (date.isValid() && date.year() >= 1900) {
        lxw_datetime when{date.year(), date.month(), date.day(), 0, 0, 0.0};
        return worksheet_write_datetime(sheet, row, column, &when, dateFormat);
    }
    // Older versions stored texts of any length; Excel refuses a cell past its limit.
    if (text.size() > CellCharacters) {
        text.truncate(FittingLength(text, CellCharacters, -1));
        ++*cutCells;
    }
    return worksheet_write_string(sheet, row, column, text.toUtf8().constData(), nullptr);
}

} // namespace

ExportResult ExportListing(const SqlText& listing, const QStringList& leftOut, const QStringList& dateColumns,
                           const QString& path)
{
    QSqlQuery query = DM().run(listing, TfrmDM::Rows::ForwardOnly);
    const QSqlRecord record = ColumnsAsWritten(query.record());

    const QByteArray fileName = QFile::encodeName(path);
    // Each row goes to a temporary file as the next one starts; the file is zipped at the close.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    Workbook workbook(workbook_new_opt(fileName.constData(), &options));
    if (!workbook)
        fail(path, LXW_ERROR_MEMORY_MALLOC_FAILED);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), nullptr);
    lxw_format* titleFormat = workbook_add_format(workbook.get());
    format_set_bold(titleFormat);
    lxw_format* dateFormat = workbook_add_format(workbook.get());
    format_set_num_format(dateFormat, "yyyy-mm-dd");

    QList<Column> columns;
    for (int i = 0; i < record.count(); ++i) {
        const QString alias = record.fieldName(i);
        if (leftOut.contains(alias))
            continue;
        const lxw_col_t at = static_cast<lxw_col_t>(columns.size());
        columns.append({i, dateColumns.contains(alias)});
        if (lxw_error error = worksheet_write_string(sheet, 0, at, alias.toUtf8().constData(), titleFormat))
            fail(path, error);
        if (columns.last().date)
            worksheet_set_column(sheet, at, at, 11, nullptr); // room for "2026-12-07"
    }
    worksheet_freeze_panes(sheet, 1, 0);

    lxw_row_t row = 0;
    ExportResult result;
    while (query.next()) {
        ++row;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (const lxw_error error = writeCell(sheet, row, static_cast<lxw_col_t>(c), query.value(columns[c].field),
                                                  columns[c].date, dateFormat, &result.cutCells))
                fail(path, error);
        }
    }
    // A step that fails part way ends the rows early rather than throwing.
    if (query.lastError().isValid())
        throw AppError(QStringLiteral("数据库错误：%1\n%2").arg(query.lastError().text(), listing.sql.trimmed()));

    const lxw_error error = workbook_close(workbook.release());
    if (error) {
        QFile::remove(path);
        fail(path, error);
    }
    result.rows = row;
    return result;
}

QString ExportedText(const ExportResult& result, const QString& path)
{
    QString text = QStringLiteral("导出 %1 条记录到 %2").arg(result.rows).arg(QDir::toNativeSeparators(path));
    if (result.cutCells > 0)
        text += QStringLiteral("\n其中 %1 个单元格的内容超过 Excel 一格能放的 %2 个字符，已截短。")
                    .arg(result.cutCells)
                    .arg(CellCharacters);
    return text;
}
