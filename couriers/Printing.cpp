#include "Printing.h"

#include "AppError.h"
#include "FormPainter.h"
#include "Messages.h"
#include "PrintSetup.h"

#include <QDir>
#include <QLockFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <cmath>

namespace {

QString g_outputFile;
// The layout's unit: positions and font sizes are 1/96 inch on paper whatever the screen.
constexpr double LayoutDpi = 96.0;

// CUPS keeps a page's size in whole points, and on its way there turns it into
// hundredths of a millimetre and back, dropping what is left over: 230 mm would reach
// the printer as 651 points and the page be shifted half a point to be centred on it.
// The size is rounded to whole points and given in hundredths of a millimetre rounded
// up, which come back as those points.
QPageSize pageSizeFor(const QSizeF& mm)
{
    const auto exact = [](double millimetres) {
        const double points = std::round(millimetres / 25.4 * 72);
        return std::ceil(points * 2540 / 72 - 1e-6) / 100;
    };
    return QPageSize(QSizeF(exact(mm.width()), exact(mm.height())), QPageSize::Millimeter, QString(),
                     QPageSize::ExactMatch);
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

const QString SpoolPrefix = QStringLiteral("orvane-waybill-spool-");
const QString SpoolLock = QStringLiteral("spool.lock");

// Until a job is sent, CUPS keeps its pages (names, phones, addresses) in a file it names
// itself in TMPDIR. The file goes into a folder of the program's own, locked while its job
// runs, so that a start can tell what a killed run left from another program's files and
// from a running copy's.
class Spool {
public:
    Spool() : m_dir(QDir(QDir::tempPath()).filePath(SpoolPrefix + QStringLiteral("XXXXXX"))), m_lock(lockPath())
    {
        m_lock.setStaleLockTime(0);
        if (!m_dir.isValid() || !m_lock.tryLock(0))
            throw AppError(QStringLiteral("无法在临时文件夹 %1 中准备打印，请检查磁盘空间和这个文件夹的权限。")
                               .arg(QDir::toNativeSeparators(QDir::tempPath())));
    }

    // Runs `open` with TMPDIR pointing here: the job's file is made as the job opens.
    template <class F> auto opening(F&& open)
    {
        const QByteArray saved = qgetenv("TMPDIR");
        const bool wasSet = qEnvironmentVariableIsSet("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
        struct Restore {
            const QByteArray& saved;
            bool wasSet;
            ~Restore() { wasSet ? qputenv("TMPDIR", saved) : qunsetenv("TMPDIR"); }
        } restore{saved, wasSet};
        return open();
    }

private:
    QString lockPath() const { return QDir(m_dir.path()).filePath(SpoolLock); }

    QTemporaryDir m_dir; // removed once the lock is gone
    QLockFile m_lock;
};

} // namespace

// One print job: a printer, and the pages given to it.
class PrintBatch::Job {
public:
    Job(const QString& printerName, const QSizeF& paperMm) : printerName(printerName), paperMm(paperMm)
    {
        if (g_outputFile.isEmpty()) {
            const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
            if (info.isNull())
                throw AppError(QStringLiteral("打印机“%1”不可用。").arg(printerName));
            m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            m_spool = std::make_unique<Spool>();
        } else {
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            m_printer->setOutputFormat(QPrinter::PdfFormat);
            m_printer->setOutputFileName(g_outputFile);
        }
        m_printer->setDocName(QString());
        if (!m_printer->isValid())
            throw AppError(QStringLiteral("打印机“%1”不可用。").arg(m_printer->printerName()));
        m_printer->setFullPage(false); // the painter's origin is the margins' corner
        m_defaultLayout = m_printer->pageLayout();
        usePaper(paperMm);
    }
    ~Job()
    {
        if (m_painter.isActive())
            m_painter.end();
    }

    const QString printerName; // the key of its offsets
    QSizeF paperMm;
    bool paperTaken = true; // false: the printer cannot take that size, its default paper is used
    QList<qint64> waybillIds;
    int pages = 0;

    void addPage(const FormLayout& page)
    {
        // Read before the page starts: a failing statement must not leave a half-drawn page.
        const PrintSetup::Offset offset = PrintSetup::offset(printerName, page.companyName);
        if (!m_painter.isActive()) {
            const auto begin = [this] { return m_painter.begin(m_printer.get()); };
            if (!(m_spool ? m_spool->opening(begin) : begin()))
                throw AppError(QStringLiteral("无法开始打印：打印机“%1”出错。").arg(m_printer->printerName()));
        } else {
            // Only the one job of a PDF file holds pages of different sizes.
            if (page.paperMm != paperMm)
                usePaper(page.paperMm);
            if (!m_printer->newPage())
                throw AppError(QStringLiteral("打印失败：打印机“%1”出错。").arg(m_printer->printerName()));
        }
        m_painter.save();
        m_painter.translate(layoutOrigin(*m_printer, offset));
        FormPainter::PaintForm(m_painter, page, m_printer->logicalDpiY() / LayoutDpi);
        m_painter.restore();
        ++pages;
    }

    void finish()
    {
        if (m_painter.isActive() && !m_painter.end())
            throw AppError(QStringLiteral("打印失败：打印机“%1”出错。").arg(m_printer->printerName()));
    }

private:
    // The form's size as a page of its own, portrait as given, so a form wider than tall
    // is not turned; without a size, the printer's default paper.
    void usePaper(const QSizeF& mm)
    {
        paperMm = mm;
        paperTaken = true;
        bool sized = false;
        if (!mm.isEmpty()) {
            const QPageSize size = pageSizeFor(mm);
            paperTaken = takes(size);
            if (paperTaken) {
                m_printer->setPageSize(size);
                m_printer->setPageOrientation(QPageLayout::Portrait);
                sized = m_printer->pageLayout().pageSize().isEquivalentTo(size);
                paperTaken = sized;
            }
        }
        if (!sized)
            m_printer->setPageLayout(m_defaultLayout);
        // Qt gives every printer margins of its own (10 points), which would shift every
        // field on the paper form; the layout is placed from the printable area's corner,
        // so the margins are the printer's own minimum. Zero would be refused silently by
        // a printer that cannot print to the paper's edge.
        QPageLayout layout = m_printer->pageLayout();
        layout.setMargins(layout.minimumMargins());
        if (!m_printer->setPageLayout(layout) || m_printer->pageLayout().margins() != layout.minimumMargins())
            throw AppError(QStringLiteral("打印机“%1”不接受它自己的最小页边距。").arg(m_printer->printerName()));
    }

    bool takes(const QPageSize& size) const
    {
        if (!g_outputFile.isEmpty())
            return true;
        const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
        if (info.supportsCustomPageSizes())
            return true;
        for (const QPageSize& supported : info.supportedPageSizes())
            if (supported.isEquivalentTo(size))
                return true;
        return false;
    }

    std::unique_ptr<Spool> m_spool; // a printer's, not a PDF file's; outlives the painter that sends its file
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    QPageLayout m_defaultLayout;
};

PrintBatch::PrintBatch(QWidget* parent) : m_parent(parent) {}

PrintBatch::~PrintBatch() = default;

bool PrintBatch::add(const FormLayout& page, qint64 waybillId)
{
    auto known = m_printers.find(page.printer);
    if (known == m_printers.end()) {
        std::optional<QString> printer = PrinterFor(page.printer);
        if (!printer) {
            const QString fallback = DefaultPrinterName();
            if (fallback.isEmpty())
                throw AppError(QStringLiteral("快递公司 %1 的打印机“%2”已经找不到了，系统中也没有默认打印机。"
                                              "请先在系统中安装或设置打印机。")
                                   .arg(page.companyName, page.printer));
            if (AskQuestion(m_parent, QStringLiteral("打印机"),
                            QStringLiteral("快递公司 %1 的打印机“%2”已经找不到了（可能已被删除或改名）。\n"
                                           "要改用默认打印机“%3”打印吗？")
                                .arg(page.companyName, page.printer, fallback),
                            true))
                printer = fallback;
        }
        known = m_printers.insert(page.printer, printer);
    }
    if (!*known)
        return false;
    const QString& printer = **known;
    // A PDF file is one job, whatever its pages' sizes.
    const QSizeF paper = g_outputFile.isEmpty() ? page.paperMm : QSizeF();
    Job* job = nullptr;
    for (const std::unique_ptr<Job>& candidate : m_jobs)
        if (candidate->printerName == printer && (!g_outputFile.isEmpty() || candidate->paperMm == paper))
            job = candidate.get();
    if (!job) {
        m_jobs.push_back(std::make_unique<Job>(printer, page.paperMm));
        job = m_jobs.back().get();
        if (!job->paperTaken)
            ShowWarning(m_parent, QStringLiteral("打印机"),
                        QStringLiteral("打印机“%1”不能使用 %2 × %3 毫米的纸张，这次用它的默认纸张打印，"
                                       "超出纸张的部分会被切掉。请在系统中为它换用能设定纸张大小的驱动程序。")
                            .arg(printer)
                            .arg(page.paperMm.width(), 0, 'f', 1)
                            .arg(page.paperMm.height(), 0, 'f', 1));
    }
    job->addPage(page);
    if (waybillId > 0)
        job->waybillIds << waybillId;
    return true;
}

void PrintBatch::finish(const std::function<void(const Sent&)>& sent)
{
    std::exception_ptr failure;
    for (const std::unique_ptr<Job>& job : m_jobs) {
        try {
            job->finish();
            if (sent && job->pages > 0)
                sent({job->printerName, job->waybillIds});
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    m_jobs.clear();
    if (failure)
        std::rethrow_exception(failure);
}

void SetPrintOutputFile(const QString& pdfPath) { g_outputFile = pdfPath; }

void RemoveSpoolLeftovers()
{
    const QDir temp(QDir::tempPath());
    for (const QString& name : temp.entryList({SpoolPrefix + QStringLiteral("*")}, QDir::Dirs | QDir::Hidden)) {
        QDir spool(temp.filePath(name));
        // A job that died holds no lock any more: QLockFile sees its process is gone.
        QLockFile lock(spool.filePath(SpoolLock));
        lock.setStaleLockTime(0);
        if (lock.tryLock(0)) {
            lock.unlock();
            spool.removeRecursively();
        }
    }
}

QStringList InstalledPrinters() { return QPrinterInfo::availablePrinterNames(); }

QString DefaultPrinterName() { return QPrinterInfo::defaultPrinterName(); }

std::optional<QString> PrinterFor(const QString& choice)
{
    if (!g_outputFile.isEmpty())
        return QString();
    if (choice.isEmpty()) {
        const QString fallback = DefaultPrinterName();
        if (fallback.isEmpty())
            throw AppError(QStringLiteral("没有默认打印机，请先在系统中设置默认打印机。"));
        return fallback;
    }
    if (QPrinterInfo::printerInfo(choice).isNull())
        return std::nullopt;
    return choice;
}

QSizeF DefaultPaperMm(const QString& printerName)
{
    QPageSize size;
    if (g_outputFile.isEmpty()) {
        size = QPrinterInfo::printerInfo(printerName).defaultPageSize();
    } else {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        size = pdf.pageLayout().pageSize();
    }
    return (size.isValid() ? size : QPageSize(QPageSize::A4)).size(QPageSize::Millimeter);
}
