#include "FormLayout.h"

#include "CompanyPicture.h"
#include "CourierStore.h"
#include "PrintSetup.h"

FormLayout CompanyForm(const QString& companyName, const QStringList& itemTexts)
{
    FormLayout layout;
    layout.companyName = companyName;
    const PrintSetup::Form form = PrintSetup::form(companyName);
    layout.printer = form.printer;
    if (form.hasSize())
        layout.paperMm = form.sizeMm();
    const QHash<QString, int> widths = PrintSetup::boxWidths(companyName);
    // The n-th item row prints slot n whether or not it is switched on.
    qsizetype slot = 1;
    for (const CourierStore::PrintRow& row : CourierStore::printRows(companyName)) {
        if (row.printed && slot < itemTexts.size()) {
            FormText text;
            text.code = row.code;
            text.text = itemTexts[slot];
            text.pos = QPointF(row.left, row.top);
            text.boxWidth = widths.value(row.code);
            layout.texts.append(text);
        }
        ++slot;
    }
    return layout;
}

QImage FormPicture(const QString& companyName)
{
    if (!CompanyPictureExists(companyName))
        return QImage();
    return LoadCompanyPicture(companyName, PrintSetup::form(companyName).widthMm);
}

QSizeF FormPixels(const QSizeF& formMm) { return formMm / 25.4 * 96; }
