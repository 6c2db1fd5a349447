#pragma once

#include "FormLayout.h"

#include <QHash>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

// Sends form pages to their companies' printers without a dialog: one job per printer
// (and paper size), holding its pages in the order they were added, the jobs sent in
// the order of their first pages. Each page is the size of its company's form (the
// printer's default paper when the form has no size) and is painted by the form
// painter, its layout's (0, 0) at the origin stored for that printer and company (the
// printable area's corner unless the paper's edge was chosen), moved by the stored
// offset; one layout pixel is 1/96 inch, and text stays text on the printer.
class PrintBatch {
public:
    // `parent` is asked, once per printer, whether to use the default printer when a
    // company's own printer has gone.
    explicit PrintBatch(QWidget* parent);
    ~PrintBatch();
    PrintBatch(const PrintBatch&) = delete;
    PrintBatch& operator=(const PrintBatch&) = delete;

    // False when the page's printer has gone and the user would not use the default
    // one. Throws AppError when there is no printer to use or the printer fails.
    bool add(const FormLayout& page, qint64 waybillId = 0);

    struct Sent {
        QString printer; // as its offsets are stored: empty for a PDF file
        QList<qint64> waybillIds;
    };
    // Sends every job; `sent` hears of each one that reached its printer. A failing job
    // does not stop the others; the first failure is thrown once they have gone. A batch
    // that goes without finish() sends the pages added so far, unreported.
    void finish(const std::function<void(const Sent&)>& sent = {});

private:
    class Job;
    QWidget* m_parent;
    std::vector<std::unique_ptr<Job>> m_jobs;
    QHash<QString, std::optional<QString>> m_printers; // a company's choice, and the printer used for it
};

// Sends the pages to a PDF file instead of the printers (tests and benchmarks); an empty
// path restores the printers. The PDF writer's offsets are stored under an empty
// printer name.
void SetPrintOutputFile(const QString& pdfPath);

// At a start, with the single-instance lock held: removes the spool folders of print jobs
// cut off by a kill (orvane-waybill-spool-XXXXXX in the temporary folder, with the pages
// they held). A folder whose job still runs is left alone.
void RemoveSpoolLeftovers();

// The printers installed, by queue name, and the system's default (empty when none).
QStringList InstalledPrinters();
QString DefaultPrinterName();

// The printer that prints for a company whose choice is `choice` (empty: the system's
// default), by the name its offsets are stored under: empty while pages go to a PDF file.
// Empty optional when that printer has gone. Throws AppError when there is no default
// printer and the default is wanted.
std::optional<QString> PrinterFor(const QString& choice);

// The size of that printer's default paper in millimetres (A4 when it does not say).
QSizeF DefaultPaperMm(const QString& printerName);
