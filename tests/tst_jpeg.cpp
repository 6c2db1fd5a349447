#include "AppError.h"
#include "JpegLoader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

Q_DECLARE_METATYPE(J_COLOR_SPACE)

namespace {

// Four flat quadrants, far apart in colour, so a swapped channel, a flipped image or
// a wrong row stride each show up at some quadrant centre.
const QRgb Quadrants[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(40, 50, 210), qRgb(64, 64, 64)};

QRgb quadrantAt(int x, int y, int w, int h) { return Quadrants[(y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0)]; }

// Encodes the quadrant pattern. CMYK is stored inverted with an Adobe marker, the
// way Photoshop writes it; `stored` may be JCS_YCCK to exercise that transform too.
QByteArray encodeJpeg(int w, int h, J_COLOR_SPACE in, J_COLOR_SPACE stored, bool progressive, int dpi = 0,
                      bool arithmetic = false)
{
    const int comps = in == JCS_GRAYSCALE ? 1 : in == JCS_CMYK ? 4 : 3;
    std::vector<JSAMPLE> pixels(size_t(w) * h * comps);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = quadrantAt(x, y, w, h);
            JSAMPLE* p = &pixels[(size_t(y) * w + x) * comps];
            if (comps == 1) {
                p[0] = JSAMPLE(qGray(c));
            } else if (comps == 3) {
                p[0] = JSAMPLE(qRed(c)), p[1] = JSAMPLE(qGreen(c)), p[2] = JSAMPLE(qBlue(c));
            } else {
                const int k = std::max({qRed(c), qGreen(c), qBlue(c)}); // inverted K
                p[0] = JSAMPLE(qRed(c) * 255 / k), p[1] = JSAMPLE(qGreen(c) * 255 / k);
                p[2] = JSAMPLE(qBlue(c) * 255 / k), p[3] = JSAMPLE(k);
            }
        }

    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = comps;
    c.in_color_space = in;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, stored);
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    c.arith_code = arithmetic ? TRUE : FALSE;
    if (dpi) {
        c.write_JFIF_header = TRUE;
        c.density_unit = 1;
        c.X_density = c.Y_density = UINT16(dpi);
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = &pixels[size_t(c.next_scanline) * w * comps];
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), int(outSize));
    std::free(out);
    return bytes;
}

QByteArray baselineJpeg() { return encodeJpeg(64, 48, JCS_RGB, JCS_YCbCr, false); }

int markerOffset(const QByteArray& jpeg, uchar marker) { return jpeg.indexOf(QByteArray("\xFF") + char(marker)); }

// Halfway through the entropy-coded data of a single-scan JPEG.
int scanMiddle(const QByteArray& jpeg)
{
    const int scan = markerOffset(jpeg, 0xDA);
    const int dataStart = scan + 2 + (uchar(jpeg[scan + 2]) << 8 | uchar(jpeg[scan + 3]));
    return dataStart + (jpeg.size() - dataStart) / 2;
}

QByteArray withDimensions(QByteArray jpeg, int w, int h)
{
    const int sof = markerOffset(jpeg, 0xC0) + 5; // skip marker, length and precision
    jpeg[sof] = char(h >> 8), jpeg[sof + 1] = char(h);
    jpeg[sof + 2] = char(w >> 8), jpeg[sof + 3] = char(w);
    return jpeg;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

} // namespace

class TestJpeg : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void loadsSupportedKinds_data();
    void loadsSupportedKinds();
    void takesResolutionFromJfif_data();
    void takesResolutionFromJfif();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
};

void TestJpeg::loadsSupportedKinds_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<J_COLOR_SPACE>("input");
    QTest::addColumn<J_COLOR_SPACE>("stored");
    QTest::addColumn<bool>("progressive");

    QTest::newRow("baseline colour") << 150 << 90 << JCS_RGB << JCS_YCbCr << false;
    QTest::newRow("progressive colour") << 150 << 90 << JCS_RGB << JCS_YCbCr << true;
    QTest::newRow("odd size, partial blocks") << 67 << 41 << JCS_RGB << JCS_YCbCr << false;
    QTest::newRow("stored as RGB") << 64 << 64 << JCS_RGB << JCS_RGB << false;
    QTest::newRow("grayscale") << 120 << 80 << JCS_GRAYSCALE << JCS_GRAYSCALE << false;
    QTest::newRow("progressive grayscale") << 120 << 80 << JCS_GRAYSCALE << JCS_GRAYSCALE << true;
    QTest::newRow("Adobe CMYK") << 96 << 64 << JCS_CMYK << JCS_CMYK << false;
    QTest::newRow("Adobe YCCK") << 96 << 64 << JCS_CMYK << JCS_YCCK << false;
    QTest::newRow("widest allowed") << 20000 << 16 << JCS_RGB << JCS_YCbCr << false;
}

void TestJpeg::loadsSupportedKinds()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(J_COLOR_SPACE, input);
    QFETCH(J_COLOR_SPACE, stored);
    QFETCH(bool, progressive);

    const QString path = m_dir.filePath(QString("%1.jpg").arg(QTest::currentDataTag()));
    writeFile(path, encodeJpeg(width, height, input, stored, progressive));
    const QImage image = LoadJpeg(path);

    QCOMPARE(image.size(), QSize(width, height));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx) {
            const int x = width * (1 + 2 * qx) / 4, y = height * (1 + 2 * qy) / 4;
            QRgb expected = quadrantAt(x, y, width, height);
            if (input == JCS_GRAYSCALE)
                expected = qRgb(qGray(expected), qGray(expected), qGray(expected));
            const QRgb got = image.pixel(x, y);
            QVERIFY2(near(got, expected, 12), qPrintable(QString("pixel (%1, %2) is #%3, expected #%4")
                                                             .arg(x)
                                                             .arg(y)
                                                             .arg(got & 0xFFFFFF, 6, 16, QChar('0'))
                                                             .arg(expected & 0xFFFFFF, 6, 16, QChar('0'))));
        }
}

void TestJpeg::takesResolutionFromJfif_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("dotsPerMeter"); // 0: none taken, no scanner gives it
    QTest::newRow("300 dpi") << 300 << 11811;
    QTest::newRow("1200 dpi") << 1200 << 47244;
    QTest::newRow("1201 dpi") << 1201 << 0;
}

void TestJpeg::takesResolutionFromJfif()
{
    QFETCH(int, dpi);
    QFETCH(int, dotsPerMeter);
    const QString path = m_dir.filePath("300dpi.jpg");
    writeFile(path, encodeJpeg(32, 32, JCS_RGB, JCS_YCbCr, false, dpi));
    JpegDensity density;
    const QImage image = LoadJpeg(path, &density);
    QCOMPARE(density.stated() ? image.dotsPerMeterY() : 0, dotsPerMeter);
}

void TestJpeg::refusesUnreadableFiles_data()
{
    QTest::addColumn<bool>("create");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<qint64>("sparseSize"); // grow the file to this size without writing it
    QTest::addColumn<QString>("reason");

    const QByteArray jpeg = baselineJpeg();
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::white);
        picture.save(&buffer, "PNG");
    }
    QByteArray garbled = jpeg;
    // A run of ones in the middle of the picture data is no valid Huffman code; it
    // leaves the markers alone, so only the decoder's warning reveals the damage.
    garbled.replace(scanMiddle(jpeg), 8, QByteArray(8, char(0xFE)));
    const QByteArray arithmetic = encodeJpeg(64, 48, JCS_RGB, JCS_YCbCr, false, 0, true);
    QByteArray badPrecision = jpeg;
    badPrecision[markerOffset(jpeg, 0xC0) + 4] = 0;

    QTest::newRow("missing") << false << QByteArray() << qint64(0) << "不存在";
    QTest::newRow("zero bytes") << true << QByteArray() << qint64(0) << "空";
    QTest::newRow("PNG renamed") << true << png << qint64(0) << "不是 JPEG";
    QTest::newRow("text") << true << QByteArray("not a picture\n") << qint64(0) << "不是 JPEG";
    QTest::newRow("cut inside picture data") << true << jpeg.left(scanMiddle(jpeg)) << qint64(0) << "不完整";
    QTest::newRow("cut, end marker kept") << true << jpeg.left(scanMiddle(jpeg)) + "\xFF\xD9" << qint64(0) << "损坏";
    QTest::newRow("cut in header") << true << jpeg.left(30) << qint64(0) << "不完整";
    QTest::newRow("no end marker") << true << jpeg.chopped(2) << qint64(0) << "不完整";
    QTest::newRow("garbled scan data") << true << garbled << qint64(0) << "损坏";
    QTest::newRow("bad frame header") << true << badPrecision << qint64(0) << "损坏";
    // Arithmetic decoding reads zeros past a marker without a warning, so a cut file
    // that still ends in its end marker would pass for a whole one.
    QTest::newRow("arithmetic coded") << true << arithmetic << qint64(0) << "算术编码";
    QTest::newRow("arithmetic coded, cut")
        << true << arithmetic.left(scanMiddle(arithmetic)) + "\xFF\xD9" << qint64(0) << "算术编码";
    QTest::newRow("65500 x 65500") << true << withDimensions(jpeg, 65500, 65500) << qint64(0) << "过大";
    QTest::newRow("one column too wide") << true << withDimensions(jpeg, 20001, 16) << qint64(0) << "过大";
    QTest::newRow("too many pixels") << true << withDimensions(jpeg, 15000, 15000) << qint64(0) << "过大";
    QTest::newRow("over 200 MB") << true << jpeg << qint64(201) * 1024 * 1024 << "MB";
}

void TestJpeg::refusesUnreadableFiles()
{
    QFETCH(bool, create);
    QFETCH(QByteArray, contents);
    QFETCH(qint64, sparseSize);
    QFETCH(QString, reason);

    const QString path = m_dir.filePath(QString("%1.jpg").arg(QTest::currentDataTag()));
    if (create) {
        writeFile(path, contents);
        if (sparseSize)
            QVERIFY(QFile::resize(path, sparseSize));
    }

    // libjpeg writes its warnings to stderr unless told otherwise; catch any of it.
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    const QString errPath = m_dir.filePath("stderr.txt");
    const int errFile = open(QFile::encodeName(errPath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(errFile, STDERR_FILENO);
    QString message;
    bool threw = false;
    try {
        LoadJpeg(path);
    } catch (const AppError& e) {
        threw = true;
        message = e.message();
    }
    std::fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    close(errFile);

    QVERIFY2(threw, "loaded without complaint");
    QVERIFY2(message.contains(path), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QFile err(errPath);
    QVERIFY(err.open(QIODevice::ReadOnly));
    QCOMPARE(err.readAll(), QByteArray());
}

QTEST_GUILESS_MAIN(TestJpeg)
#include "tst_jpeg.moc"
