#pragma once

#include "FormScan.h"

#include <QString>
#include <QStringList>

// What the program links of the form reader. The reader itself, with Tesseract and
// Leptonica and the forty libraries they bring, is a module loaded the first time a form
// is read, so that they cost nothing at every start.
namespace ScanModule {

// Simplified Chinese, which reads Latin letters and digits too (FROM, TO).
inline const char* const Language = "chi_sim";

// The folder holding the language data; TESSDATA_PREFIX, where set, is the only place
// looked in, as Tesseract itself does.
QString LanguageFolder();
// The Debian packages whose language data is missing; empty when reading can start.
QStringList MissingPackages();

// FormScan::Scan through the module. Throws std::runtime_error when the module cannot be
// loaded or Tesseract cannot start.
FormScan::Proposal Scan(const QImage& picture, double pxPerMm, double boxHeightMm,
                        const TextReader::Control& control = {});

} // namespace ScanModule
