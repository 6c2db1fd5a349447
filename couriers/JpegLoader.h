#pragma once

#include <QImage>
#include <QString>

// Decodes a JPEG file (grayscale, YCbCr/RGB or CMYK/YCCK) into a Format_RGB32 image.
// Throws AppError naming the file when it is missing, empty, not a JPEG, truncated,
// corrupt, or declares dimensions too large to be a scanned form.
QImage LoadJpeg(const QString& path);

// The same for bytes already in memory; `path` names them in the error text.
QImage DecodeJpeg(const QByteArray& bytes, const QString& path);
