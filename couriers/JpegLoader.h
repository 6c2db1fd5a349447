#pragma once

#include <QImage>
#include <QString>

// The resolution a JPEG file states, in dots per inch: from its JFIF header, or else
// from its EXIF block. Zero where it states none (a JFIF header may give only the
// pixels' aspect ratio) or one no scanner gives (outside 50 to 1,200 dots per inch).
struct JpegDensity {
    double x = 0;
    double y = 0;
    bool stated() const { return x > 0 && y > 0; }
};

// Decodes a JPEG file (grayscale, YCbCr/RGB or CMYK/YCCK) into a Format_RGB32 image.
// Throws AppError naming the file when it is missing, empty, not a JPEG, truncated,
// corrupt, or declares dimensions too large to be a scanned form. The density it
// states, if any, goes to `density` and to the image's dots per metre.
QImage LoadJpeg(const QString& path, JpegDensity* density = nullptr);

// The same for bytes already in memory; `path` names them in the error text.
QImage DecodeJpeg(const QByteArray& bytes, const QString& path, JpegDensity* density = nullptr);
