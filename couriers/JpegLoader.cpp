#include "JpegLoader.h"

#include "AppError.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <optional>

#include <jpeglib.h>
// jerror.h must follow jpeglib.h: it needs its types to declare the message codes.
#include <jerror.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is required: the loader decodes straight into 32-bit pixels"
#endif

namespace {

// A scanned A4 form at 600 dpi is about 5000 x 7000; anything far beyond that is a
// broken or hostile header, and allocating for it could take gigabytes.
constexpr unsigned MaxSide = 20000;
constexpr quint64 MaxPixels = 100'000'000;
constexpr qint64 MaxFileBytes = 200 * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's err pointer can be cast back
    std::jmp_buf jump;
    bool truncated;
    char text[JMSG_LENGTH_MAX];
};

[[noreturn]] void abandonDecoding(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

// libjpeg only warns about damaged data and goes on painting grey; a waybill form
// with a missing lower half must be refused, not printed over.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace output
    switch (cinfo->err->msg_code) {
    case JWRN_ADOBE_XFORM:
    case JWRN_JFIF_MAJOR:
    case JWRN_BOGUS_ICC:
        return; // metadata oddities; the pixels are intact
    default:
        break;
    }
    reinterpret_cast<ErrorManager*>(cinfo->err)->truncated = cinfo->err->msg_code == JWRN_JPEG_EOF;
    abandonDecoding(cinfo);
}

void discardMessage(j_common_ptr) {}

// Everything libjpeg may longjmp over is plain data; the functions that call setjmp
// below hold nothing with a destructor, so no C++ object is skipped on a jump.
struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
};

bool readHeader(Decoder& d, const QByteArray& bytes)
{
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = abandonDecoding;
    d.err.pub.emit_message = onMessage;
    d.err.pub.output_message = discardMessage;
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    // Kept for the resolution an EXIF block states; libjpeg frees it with the decoder.
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
    switch (d.cinfo.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
        d.cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        // Matches QImage::Format_RGB32's byte order (0xffRRGGBB in native order).
        d.cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        break;
    }
    return true;
}

void cmykToRgb32(const JSAMPLE* in, QRgb* out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        // Adobe applications store CMYK inverted (0 = full ink); undo that first.
        const int c = inverted ? in[0] : 255 - in[0];
        const int m = inverted ? in[1] : 255 - in[1];
        const int y = inverted ? in[2] : 255 - in[2];
        const int k = inverted ? in[3] : 255 - in[3];
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

bool readPixels(Decoder& d, uchar* bits, qsizetype bytesPerLine)
{
    if (setjmp(d.err.jump))
        return false;
    jpeg_start_decompress(&d.cinfo);
    jpeg_decompress_struct& c = d.cinfo;
    if (c.out_color_space == JCS_CMYK) {
        // Pool memory is released by jpeg_destroy_decompress, even after a jump.
        JSAMPARRAY row = (*c.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE, c.output_width * 4, 1);
        while (c.output_scanline < c.output_height) {
            QRgb* out = reinterpret_cast<QRgb*>(bits + bytesPerLine * c.output_scanline);
            jpeg_read_scanlines(&c, row, 1);
            cmykToRgb32(row[0], out, c.output_width, c.saw_Adobe_marker);
        }
    } else {
        while (c.output_scanline < c.output_height) {
            JSAMPROW rows[16];
            const JDIMENSION count = std::min<JDIMENSION>(16, c.output_height - c.output_scanline);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = bits + bytesPerLine * (c.output_scanline + i);
            jpeg_read_scanlines(&c, rows, count);
        }
    }
    jpeg_finish_decompress(&c);
    return true;
}

// Reads the numbers of a TIFF structure in its byte order, never past its end.
class TiffReader {
public:
    TiffReader(const uchar* data, size_t size) : m_data(data), m_size(size) {}
    bool readOrder()
    {
        if (m_size < 8)
            return false;
        if (m_data[0] == 'I' && m_data[1] == 'I')
            m_little = true;
        else if (m_data[0] == 'M' && m_data[1] == 'M')
            m_little = false;
        else
            return false;
        return u16(2) == 42u;
    }
    std::optional<quint32> u16(size_t at) const { return number(at, 2); }
    std::optional<quint32> u32(size_t at) const { return number(at, 4); }

private:
    std::optional<quint32> number(size_t at, size_t bytes) const
    {
        if (at > m_size || m_size - at < bytes)
            return std::nullopt;
        quint32 value = 0;
        for (size_t i = 0; i < bytes; ++i)
            value |= quint32(m_data[at + (m_little ? i : bytes - 1 - i)]) << (8 * i);
        return value;
    }
    const uchar* m_data;
    size_t m_size;
    bool m_little = true;
};

// XResolution, YResolution and ResolutionUnit of an EXIF block's first directory.
JpegDensity exifDensity(const uchar* data, size_t size)
{
    static const char Signature[] = {'E', 'x', 'i', 'f', 0, 0};
    if (size < sizeof Signature || std::memcmp(data, Signature, sizeof Signature) != 0)
        return {};
    TiffReader tiff(data + sizeof Signature, size - sizeof Signature);
    if (!tiff.readOrder())
        return {};
    const std::optional<quint32> directory = tiff.u32(4);
    const std::optional<quint32> entries = directory ? tiff.u16(*directory) : std::nullopt;
    if (!entries)
        return {};
    double resolution[2] = {0, 0};
    quint32 unit = 2; // inches, when the block does not say
    for (quint32 i = 0; i < *entries; ++i) {
        const size_t entry = size_t(*directory) + 2 + 12 * size_t(i);
        const std::optional<quint32> tag = tiff.u16(entry);
        const std::optional<quint32> type = tiff.u16(entry + 2);
        if (!tag || !type)
            break;
        if ((*tag == 0x011A || *tag == 0x011B) && *type == 5) { // RATIONAL: two LONGs elsewhere
            const std::optional<quint32> at = tiff.u32(entry + 8);
            const std::optional<quint32> numerator = at ? tiff.u32(*at) : std::nullopt;
            const std::optional<quint32> denominator = at ? tiff.u32(size_t(*at) + 4) : std::nullopt;
            if (numerator && denominator && *denominator > 0)
                resolution[*tag - 0x011A] = double(*numerator) / *denominator;
        } else if (*tag == 0x0128 && *type == 3) { // SHORT, in the entry itself
            unit = tiff.u16(entry + 8).value_or(0);
        }
    }
    const double perInch = unit == 2 ? 1 : unit == 3 ? 2.54 : 0;
    return {resolution[0] * perInch, resolution[1] * perInch};
}

// No scanner gives less or more: a density outside is a made-up header value, and read as
// true would make a form a millimetre wide.
constexpr double MinDpi = 50;
constexpr double MaxDpi = 1200;

JpegDensity plausible(const JpegDensity& density)
{
    const auto within = [](double dpi) { return dpi >= MinDpi && dpi <= MaxDpi; };
    return within(density.x) && within(density.y) ? density : JpegDensity{};
}

JpegDensity statedDensity(const jpeg_decompress_struct& c)
{
    if (c.saw_JFIF_marker && c.X_density > 0 && c.Y_density > 0) {
        const double perInch = c.density_unit == 1 ? 1 : c.density_unit == 2 ? 2.54 : 0;
        // One made up there may still stand beside a true one in the EXIF block.
        if (const JpegDensity jfif = plausible({c.X_density * perInch, c.Y_density * perInch}); jfif.stated())
            return jfif;
    }
    for (jpeg_saved_marker_ptr marker = c.marker_list; marker; marker = marker->next)
        if (marker->marker == JPEG_APP0 + 1)
            if (const JpegDensity exif = exifDensity(marker->data, marker->data_length); exif.stated())
                return plausible(exif);
    return {};
}

struct DecoderGuard {
    Decoder& d;
    ~DecoderGuard() { jpeg_destroy_decompress(&d.cinfo); }
};

[[noreturn]] void fail(const QString& path, const QString& reason)
{
    throw AppError(QStringLiteral("无法读取图片 %1：%2。").arg(QDir::toNativeSeparators(path), reason));
}

[[noreturn]] void failDecoding(const QString& path, const Decoder& d)
{
    if (d.err.truncated)
        fail(path, QStringLiteral("文件不完整，图片数据提前结束"));
    fail(path, QStringLiteral("图片数据已损坏或格式不受支持（%1）").arg(QString::fromLatin1(d.err.text)));
}

QByteArray readBoundedFile(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        fail(path, QStringLiteral("文件不存在"));
    if (!file.open(QIODevice::ReadOnly))
        fail(path, QStringLiteral("无法打开文件（%1）").arg(file.errorString()));
    const qint64 size = file.size();
    if (size == 0)
        fail(path, QStringLiteral("文件是空的"));
    if (size > MaxFileBytes)
        fail(path, QStringLiteral("文件超过 %1 MB").arg(MaxFileBytes / (1024 * 1024)));
    QByteArray bytes = file.read(size);
    if (bytes.size() != size)
        fail(path, QStringLiteral("读文件出错（%1）").arg(file.errorString()));
    return bytes;
}

} // namespace

QImage LoadJpeg(const QString& path, JpegDensity* density) { return DecodeJpeg(readBoundedFile(path), path, density); }

QImage DecodeJpeg(const QByteArray& bytes, const QString& path, JpegDensity* density)
{
    // Checked here so a PNG or text file named .jpg gets a plain answer rather than
    // libjpeg's byte dump.
    if (bytes.size() < 2 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xD8)
        fail(path, QStringLiteral("不是 JPEG 图片"));

    Decoder d;
    std::memset(&d, 0, sizeof d); // a zeroed struct is safe to destroy even if creation failed
    DecoderGuard guard{d};
    if (!readHeader(d, bytes))
        failDecoding(path, d);
    // Read now: the saved markers are freed once the pixels are read.
    const JpegDensity stated = statedDensity(d.cinfo);
    // libjpeg's arithmetic decoder fills a file cut short with zeros and says nothing,
    // so damage cannot be told from content; scanners never write arithmetic coding.
    if (d.cinfo.arith_code)
        fail(path, QStringLiteral("格式不受支持（算术编码的 JPEG）"));

    const unsigned width = d.cinfo.image_width;
    const unsigned height = d.cinfo.image_height;
    if (width > MaxSide || height > MaxSide || quint64(width) * height > MaxPixels)
        fail(path, QStringLiteral("图片尺寸 %1 × %2 过大（每边最多 %3 像素，总共最多 %4 亿像素）")
                       .arg(width)
                       .arg(height)
                       .arg(MaxSide)
                       .arg(MaxPixels / 100'000'000));

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        fail(path, QStringLiteral("内存不足，无法容纳 %1 × %2 的图片").arg(width).arg(height));
    if (!readPixels(d, image.bits(), image.bytesPerLine()))
        failDecoding(path, d);

    if (stated.stated()) {
        image.setDotsPerMeterX(qRound(stated.x / 0.0254));
        image.setDotsPerMeterY(qRound(stated.y / 0.0254));
    }
    if (density)
        *density = stated;
    return image;
}
