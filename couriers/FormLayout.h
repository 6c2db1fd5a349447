#pragma once

#include <QImage>
#include <QLineF>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

// One text of a printed page, in layout pixels (1/96 inch) from the layout's origin.
struct FormText {
    QString code; // the print item's code, and its label's name on screen; empty for a sheet's own texts
    QString text;
    QPointF pos;      // the text's top-left corner (or its centre, as `align` says)
    int boxWidth = 0; // 0: one line at its natural width; otherwise fitted into that width
    double pixelSize = 14;
    bool bold = true;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
};

// What one page of a company's form holds, for the screen and the paper alike: the
// form's real size (the page printed), the scanned blank form (shown, never printed),
// the texts and, for a calibration sheet, its lines.
struct FormLayout {
    QString companyName; // whose offsets apply
    QString printer;     // the company's own printer; empty: the system's default
    QSizeF paperMm;      // empty: the printer's default paper
    QImage picture;      // at 96 pixels an inch when the form's width is known
    QList<FormText> texts;
    QList<QLineF> lines; // layout pixels
};

// The print items of a company's layout filled with `itemTexts` (slot n for the n-th
// item row, switched on or not), with its form's size and printer; no picture. Throws
// AppError when the company has no items: it is gone.
FormLayout CompanyForm(const QString& companyName, const QStringList& itemTexts);

// The company's picture, at true size when its form's width is known; null when it has
// none. Throws AppError when the file cannot be read.
QImage FormPicture(const QString& companyName);

// Throws AppError naming the file when it cannot be read as a JPEG. Given the blank
// form's real width in millimetres, the picture comes scaled to 96 pixels an inch, so a
// layout pixel over it is 1/96 inch whatever the scan's resolution; without (0), at its
// natural size.
QImage LoadCompanyPicture(const QString& companyName, double formWidthMm = 0);

// A picture scaled as above; the one passed in is given up, so only one copy stays.
QImage ScaleToFormWidth(QImage picture, double formWidthMm);

// The form's size in layout pixels.
QSizeF FormPixels(const QSizeF& formMm);
