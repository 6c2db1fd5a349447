#include "FormScan.h"

#include <QtGlobal>

// The one entry of the form reading module, which ScanModule loads by this name.
extern "C" Q_DECL_EXPORT void orvaneFormScan(const QImage& picture, double pxPerMm, double boxHeightMm,
                                             const TextReader::Control& control, FormScan::Proposal& proposal)
{
    proposal = FormScan::Scan(picture, pxPerMm, boxHeightMm, control);
}
