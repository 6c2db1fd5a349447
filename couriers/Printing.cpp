#include "Printing.h"

#include "AppError.h"
#include "PrintSetup.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

namespace {
QString g_outputFile;
// The layout's unit: positions and font sizes are 1/96 inch on paper whatever the screen.
constexpr double LayoutDpi = 96.0;

QPrinterInfo defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw AppError(QStringLiteral("没有默认打印机，请先在系统中设置默认打印机。"));
    return info;
}

// Where the layout's (0, 0) goes, in the painter's coordinates at the printable area's
// corner.
QPointF layoutOrigin(const QPrinter& printer, const PrintSetup::Offset& offset)
{
    const double perMmX = printer.logicalDpiX() / 25.4;
    const double perMmY = printer.logicalDpiY() / 25.4;
    QPointF origin(offset.x * perMmX, offset.y * perMmY);
    if (offset.origin == PrintSetup::Origin::PaperEdge) {
        // The printable area's corner, in points from the paper's.
        const QPointF margin = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
        origin -= QPointF(margin.x() * printer.logicalDpiX() / 72, margin.y() * printer.logicalDpiY() / 72);
    }
    return origin;
}

} // namespace

void SetPrintOutputFile(const QString& pdfPath) { g_outputFile = pdfPath; }

QString PrintTargetName() { return g_outputFile.isEmpty() ? defaultPrinter().printerName() : QString(); }

QSizeF PrintTargetPaperMm()
{
    QPageSize size;
    if (g_outputFile.isEmpty()) {
        size = defaultPrinter().defaultPageSize();
    } else {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        size = pdf.pageLayout().pageSize();
    }
    return (size.isValid() ? size : QPageSize(QPageSize::A4)).size(QPageSize::Millimeter);
}

PrintJob::PrintJob()
{
    if (g_outputFile.isEmpty()) {
        m_printer = std::make_unique<QPrinter>(defaultPrinter(), QPrinter::HighResolution);
    } else {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(g_outputFile);
    }
    m_printer->setDocName(QString());
    if (!m_printer->isValid())
        throw AppError(QStringLiteral("打印机 %1 不可用。").arg(m_printer->printerName()));
    // Qt gives every printer margins of its own (10 points), which would shift every
    // field on the paper form; the layout is placed from the printable area's corner,
    // so the margins are the printer's own minimum. Zero would be refused silently by a
    // printer that cannot print to the paper's edge.
    m_printer->setFullPage(false); // the painter's origin is the margins' corner
    QPageLayout page = m_printer->pageLayout();
    page.setMargins(page.minimumMargins());
    if (!m_printer->setPageLayout(page) || m_printer->pageLayout().margins() != page.minimumMargins())
        throw AppError(QStringLiteral("打印机 %1 不接受它自己的最小页边距。").arg(m_printer->printerName()));
}

PrintJob::~PrintJob()
{
    if (m_painter.isActive())
        m_painter.end();
}

QString PrintJob::printerName() const { return m_printer->printerName(); }

void PrintJob::addPage(QWidget* area, const QString& companyName)
{
    // Read before the page starts: a failing statement must not leave a half-drawn page.
    const PrintSetup::Offset offset = PrintSetup::offset(m_printer->printerName(), companyName);
    if (!m_painter.isActive()) {
        if (!m_painter.begin(m_printer.get()))
            throw AppError(QStringLiteral("无法开始打印：打印机 %1 出错。").arg(m_printer->printerName()));
    } else if (!m_printer->newPage()) {
        throw AppError(QStringLiteral("打印失败：打印机 %1 出错。").arg(m_printer->printerName()));
    }
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
    m_painter.save();
    m_painter.translate(layoutOrigin(*m_printer, offset));
    m_painter.setClipRect(QRectF(0, 0, area->width() * m_printer->logicalDpiX() / LayoutDpi,
                                 area->height() * m_printer->logicalDpiY() / LayoutDpi));
    m_painter.scale(content.logicalDpiX() / LayoutDpi, content.logicalDpiY() / LayoutDpi);
    m_painter.drawPicture(0, 0, content);
    m_painter.restore();
}

void PrintJob::finish()
{
    if (m_painter.isActive() && !m_painter.end())
        throw AppError(QStringLiteral("打印失败：打印机 %1 出错。").arg(m_printer->printerName()));
}

void PrintClientArea(QWidget* area, const QString& companyName)
{
    PrintJob job;
    job.addPage(area, companyName);
    job.finish();
}
