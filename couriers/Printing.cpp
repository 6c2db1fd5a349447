#include "Printing.h"

#include "AppError.h"

#include <QPageLayout>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

namespace {
QString g_outputFile;
// The layout's unit: positions and font sizes are 1/96 inch on paper whatever the screen.
constexpr double LayoutDpi = 96.0;
} // namespace

void SetPrintOutputFile(const QString& pdfPath) { g_outputFile = pdfPath; }

void PrintClientArea(QWidget* area)
{
    std::unique_ptr<QPrinter> printer;
    if (g_outputFile.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw AppError(QStringLiteral("没有默认打印机，请先在系统中设置默认打印机。"));
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(g_outputFile);
    }
    printer->setDocName(QString());
    if (!printer->isValid())
        throw AppError(QStringLiteral("打印机 %1 不可用。").arg(printer->printerName()));
    // Qt gives every printer margins of its own (10 points), which would shift every
    // field on the paper form; the layout is measured from the printable area's corner,
    // so the margins are the printer's own minimum. Zero would be refused silently by a
    // printer that cannot print to the paper's edge.
    printer->setFullPage(false); // the painter's origin is the margins' corner
    QPageLayout page = printer->pageLayout();
    page.setMargins(page.minimumMargins());
    if (!printer->setPageLayout(page) || printer->pageLayout().margins() != page.minimumMargins())
        throw AppError(QStringLiteral("打印机 %1 不接受它自己的最小页边距。").arg(printer->printerName()));

    QPainter painter;
    if (!painter.begin(printer.get()))
        throw AppError(QStringLiteral("无法开始打印：打印机 %1 出错。").arg(printer->printerName()));
    // Recorded as drawing commands first: rendered straight onto a printer, Qt would
    // rasterise the window, and the text must reach the paper as text.
    QPicture content;
    {
        QPainter recorder(&content);
        // Only the children: the area's own background stays off the paper.
        area->render(&recorder, QPoint(), QRegion(area->rect()), QWidget::DrawChildren);
    }
    // Playing a picture scales it from its own resolution (the screen's) to the
    // printer's; the layout unit is 1/96 inch, so undo the screen's part.
    // Nothing outside the area reaches the paper.
    painter.setClipRect(QRectF(0, 0, area->width() * printer->logicalDpiX() / LayoutDpi,
                               area->height() * printer->logicalDpiY() / LayoutDpi));
    painter.scale(content.logicalDpiX() / LayoutDpi, content.logicalDpiY() / LayoutDpi);
    painter.drawPicture(0, 0, content);
    if (!painter.end())
        throw AppError(QStringLiteral("打印失败：打印机 %1 出错。").arg(printer->printerName()));
}
