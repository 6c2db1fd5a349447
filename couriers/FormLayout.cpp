#include "FormLayout.h"

#include "AppError.h"
#include "CompanyPicture.h"
#include "CourierStore.h"
#include "JpegLoader.h"
#include "PrintSetup.h"

FormLayout CompanyForm(const QString& companyName, const QStringList& itemTexts)
{
    FormLayout layout;
    layout.companyName = companyName;
    const PrintSetup::Form form = PrintSetup::form(companyName);
    layout.printer = form.printer;
    if (form.hasSize())
        layout.paperMm = form.sizeMm();
    const QList<CourierStore::PrintRow> rows = CourierStore::printRows(companyName);
    // Every company has its items: none means it was deleted or renamed meanwhile, and its
    // pages would come out blank.
    if (rows.isEmpty())
        throw AppError(QStringLiteral("快递公司“%1”已不存在（可能已在另一台电脑上被删除或改名），无法按它的版式打印。\n"
                                      "请点“查询”重新列出快递单，再打印。")
                           .arg(companyName));
    const QHash<QString, int> widths = PrintSetup::boxWidths(companyName);
    // The n-th item row prints slot n whether or not it is switched on.
    qsizetype slot = 1;
    for (const CourierStore::PrintRow& row : rows) {
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

QImage LoadCompanyPicture(const QString& companyName, double formWidthMm)
{
    return ScaleToFormWidth(LoadJpeg(CompanyPicturePath(companyName)), formWidthMm);
}

QImage ScaleToFormWidth(QImage picture, double formWidthMm)
{
    if (formWidthMm <= 0 || picture.isNull())
        return picture;
    const int width = qMax(1, qRound(formWidthMm / 25.4 * 96));
    if (width == picture.width())
        return picture;
    const int height = qMax(1, qRound(double(picture.height()) * width / picture.width()));
    QImage scaled = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        throw AppError(
            QStringLiteral("内存不足，无法缩放 %1 × %2 的图片。").arg(picture.width()).arg(picture.height()));
    return scaled;
}

QSizeF FormPixels(const QSizeF& formMm) { return formMm / 25.4 * 96; }
