#pragma once

#include "FieldLabels.h"

#include <QList>
#include <QStringList>
#include <atomic>
#include <functional>

struct Pix;

// Reads printed text through Tesseract's Simplified Chinese.
namespace TextReader {

struct Control {
    std::function<void(int percent)> progress; // called on the reading thread
    const std::atomic<bool>* cancelled = nullptr;
};

// Each text line of a one-bit page as its characters, in reading order. Throws
// std::runtime_error when Tesseract cannot start.
QList<QList<FieldLabels::Glyph>> ReadLines(Pix* page, int dpi, const Control& control);

} // namespace TextReader
