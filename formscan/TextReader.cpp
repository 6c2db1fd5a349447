#include "TextReader.h"

#include "ScanModule.h"

#include <QDir>
#include <QFileInfo>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <memory>
#include <stdexcept>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace TextReader {
namespace {

bool Cancelled(void* control, int)
{
    const auto* c = static_cast<const Control*>(control);
    return c->cancelled && c->cancelled->load();
}

bool Progressed(tesseract::ETEXT_DESC* monitor, int, int, int, int)
{
    const auto* c = static_cast<const Control*>(monitor->cancel_this);
    if (c->progress)
        c->progress(monitor->progress);
    return true;
}

} // namespace

QList<QList<FieldLabels::Glyph>> ReadLines(Pix* page, int dpi, const Control& control)
{
#ifdef _OPENMP
    // Tesseract's threads spin while they wait for each other; on two cores shared with
    // the window and other programs one thread reads three times faster.
    omp_set_max_active_levels(0);
#endif
    const QString folder = ScanModule::LanguageFolder();
    tesseract::TessBaseAPI api;
    if (folder.isEmpty() ||
        api.Init(QFile::encodeName(folder).constData(), ScanModule::Language, tesseract::OEM_LSTM_ONLY) != 0)
        throw std::runtime_error("Tesseract could not start");
    // Forms carry words anywhere, not columns of running text.
    api.SetPageSegMode(tesseract::PSM_SPARSE_TEXT);
    // White on black is rare on a waybill; looking for it doubles the time.
    api.SetVariable("tessedit_do_invert", "0");
    api.SetImage(page);
    api.SetSourceResolution(dpi);

    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &Cancelled;
    monitor.cancel_this = const_cast<Control*>(&control);
    monitor.progress_callback2 = &Progressed;
    QList<QList<FieldLabels::Glyph>> lines;
    if (api.Recognize(&monitor) != 0)
        return lines;

    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it)
        return lines;
    do {
        if (it->Empty(tesseract::RIL_SYMBOL))
            continue;
        if (lines.isEmpty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
            lines.append(QList<FieldLabels::Glyph>());
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_SYMBOL));
        int left, top, right, bottom;
        if (text && it->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom))
            lines.last().append(
                {QString::fromUtf8(text.get()), QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))});
    } while (it->Next(tesseract::RIL_SYMBOL));
    lines.removeIf([](const auto& line) { return line.isEmpty(); });
    return lines;
}

} // namespace TextReader
