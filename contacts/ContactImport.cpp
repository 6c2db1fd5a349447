#include "ContactImport.h"

#include "AppError.h"
#include "TableReader.h"
#include "Transaction.h"

#include <algorithm>

namespace ContactImport {

namespace {

const ContactKind& otherBook(const ContactKind& kind)
{
    return kind.table == SenderKind.table ? AddresseeKind : SenderKind;
}

// The titles a field's column may have, best first: the book's own, then the other
// book's; each as a contact query titles it ("电话号码") and as a waybill query titles
// that party's field ("寄件人电话号码").
QStringList titlesOf(const ContactKind& kind, int field)
{
    QStringList titles;
    for (const ContactKind* book : {&kind, &otherBook(kind)}) {
        const QString& alias = ContactStore::Fields(*book)[field].alias;
        titles << alias;
        if (field > 0 && field < ContactStore::BlockFieldCount)
            titles << book->title + alias;
    }
    titles.removeDuplicates();
    return titles;
}

bool digitsOnly(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                          [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// A spreadsheet keeps an area code or a postcode typed as a number without its leading
// zeros (0471 as 471, 010050 as 10050). Every area code starts with 0 and every postcode
// has 6 digits, so the zeros can be put back.
QString withLeadingZeros(const FieldDef& field, const QString& number)
{
    const bool digits = digitsOnly(number);
    if (digits && field.column == QLatin1String("theANum") && !number.startsWith(QLatin1Char('0')))
        return QLatin1Char('0') + number;
    if (digits && field.column == QLatin1String("thePNum"))
        return number.rightJustified(6, QLatin1Char('0'));
    return number;
}

QString listed(QStringList texts)
{
    constexpr int Shown = 20;
    const bool more = texts.size() > Shown;
    texts = texts.mid(0, Shown);
    for (QString& text : texts)
        if (text.size() > 30)
            text = text.left(30) + QStringLiteral("…");
    return texts.join(QStringLiteral("、")) + (more ? QStringLiteral("……") : QString());
}

class Importer : public TableReader::Receiver {
public:
    Importer(const ContactKind& kind, const Progress& progress)
        : m_kind(kind), m_fields(ContactStore::Fields(kind)), m_progress(progress)
    {
    }

    QList<int> titles(const QList<TableReader::Title>& titles) override
    {
        QList<int> columns;
        for (int f = 0; f < m_fields.size(); ++f) {
            qsizetype slot = -1;
            for (const QString& wanted : titlesOf(m_kind, f)) {
                const auto found = std::find_if(titles.begin(), titles.end(), [&](const TableReader::Title& t) {
                    return t.text.trimmed() == wanted;
                });
                if (found != titles.end()) {
                    slot = columns.size();
                    columns << found->column;
                    break;
                }
            }
            m_slots << slot;
        }
        if (m_slots.first() < 0)
            throw AppError(noNameColumn(titles));
        return columns;
    }

    void row(const QStringList& cells, const QList<bool>& numbers, qint64) override
    {
        Record contact;
        bool blank = true;
        bool cut = false;
        int areaCodes = 0, postcodes = 0; // kept as numbers, their zeros put back
        for (int f = 0; f < m_fields.size(); ++f) {
            QString text = m_slots[f] < 0 ? QString() : cells[m_slots[f]].trimmed();
            if (m_slots[f] >= 0 && numbers[m_slots[f]]) {
                text = withLeadingZeros(m_fields[f], text);
                const bool zeros = text.size() > 1 && text.startsWith(QLatin1Char('0')) && digitsOnly(text);
                areaCodes += zeros && m_fields[f].column == QLatin1String("theANum") ? 1 : 0;
                postcodes += zeros && m_fields[f].column == QLatin1String("thePNum") ? 1 : 0;
            }
            const QString fitted = Fields::Fitted(m_fields[f], text);
            blank = blank && text.isEmpty();
            cut = cut || fitted.size() < text.size();
            contact << fitted;
        }
        if (blank)
            return;
        if (contact.first().isEmpty()) {
            ++m_summary.nameless;
        } else if (ContactStore::insertIfNew(m_kind, contact)) {
            ++m_summary.imported;
            m_summary.cut += cut ? 1 : 0;
            m_summary.areaCodeZeros += areaCodes;
            m_summary.postcodeZeros += postcodes;
        } else {
            ++m_summary.duplicates;
        }
    }

    bool proceed(qint64 done, qint64 total) override { return !m_progress || m_progress(done, total); }

    const Summary& summary() const { return m_summary; }

private:
    QString noNameColumn(const QList<TableReader::Title>& titles) const
    {
        QStringList wanted, found;
        for (const FieldDef& field : m_fields)
            wanted << field.alias;
        wanted.first() += QStringLiteral("（或 %1）").arg(otherBook(m_kind).title);
        for (const TableReader::Title& title : titles)
            found << title.text.trimmed();
        return QStringLiteral("没有导入任何联系人：文件第一行的标题中没有“%1”这一列。\n应有的标题：%2\n%3")
            .arg(m_kind.title, listed(wanted),
                 found.isEmpty() ? QStringLiteral("文件是空的，没有标题行。")
                                 : QStringLiteral("文件中的标题：") + listed(found));
    }

    const ContactKind& m_kind;
    const FieldTable& m_fields;
    Progress m_progress;
    QList<qsizetype> m_slots; // each field's place among the columns read, or -1
    Summary m_summary;
};

} // namespace

std::optional<Summary> Import(const ContactKind& kind, const QString& path, const Progress& progress)
{
    Importer importer(kind, progress);
    Transaction transaction;
    const ContactStore::WholeBook book(transaction, kind);
    // Asked once more at the end: a cancel after the reader's last look keeps nothing either.
    if (!TableReader::Read(path, importer) || !importer.proceed(1, 1))
        return std::nullopt;
    transaction.commit();
    return importer.summary();
}

QString SummaryText(const Summary& summary)
{
    QString text = QStringLiteral("导入 %1 条，跳过 %2 条重复，%3 条无姓名")
                       .arg(summary.imported)
                       .arg(summary.duplicates)
                       .arg(summary.nameless);
    if (summary.cut > 0)
        text += QStringLiteral("；其中 %1 条有超过输入框长度的内容，已截短").arg(summary.cut);
    QStringList zeros;
    if (summary.areaCodeZeros > 0)
        zeros << QStringLiteral("%1 个区号").arg(summary.areaCodeZeros);
    if (summary.postcodeZeros > 0)
        zeros << QStringLiteral("%1 个邮编").arg(summary.postcodeZeros);
    if (!zeros.isEmpty())
        text += QStringLiteral("；%1在文件里存成了数字，已补回开头的 0").arg(zeros.join(QStringLiteral("和 ")));
    return text;
}

} // namespace ContactImport
