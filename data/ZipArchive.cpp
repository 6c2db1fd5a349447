#include "ZipArchive.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <minizip/unzip.h>
#include <minizip/zip.h>

namespace {

constexpr qsizetype ChunkBytes = 1 << 16;
// General-purpose flag bit 11: the entry's name is UTF-8.
constexpr unsigned long Utf8Names = 1u << 11;
// "Version made by": Unix (3) in the high byte, zip 4.5 (ZIP64) in the low one; Info-ZIP's
// unzip reads the names of entries made on MS-DOS as code page 437 whatever the flag says.
constexpr unsigned long MadeOnUnix = (3u << 8) | 45u;
// Unix permissions in the high half of the external attributes: a plain file, rw-r--r--.
constexpr unsigned long RegularFile = 0100644u << 16;

unzFile reader(void* zip) { return static_cast<unzFile>(zip); }

// The size an entry's directory record gives. minizip 1.1 misses the ZIP64 extra field
// that holds sizes past 4 GiB on systems with a 64-bit long, so it is read here: without
// it an entry that large would seem to be 4 GiB, less than the disk it would fill.
quint64 recordedSize(quint64 size, const QByteArray& extra)
{
    if (size != 0xffffffffu)
        return size;
    for (qsizetype at = 0; at + 4 <= extra.size();) {
        const quint16 id = qFromLittleEndian<quint16>(extra.constData() + at);
        const quint16 length = qFromLittleEndian<quint16>(extra.constData() + at + 2);
        if (id == 1 && length >= 8 && at + 12 <= extra.size())
            return qFromLittleEndian<quint64>(extra.constData() + at + 4);
        at += 4 + length;
    }
    return size;
}
zipFile writer(void* zip) { return static_cast<zipFile>(zip); }

} // namespace

ZipWriter::ZipWriter(const QString& path)
{
    m_zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!m_zip)
        m_error = QStringLiteral("无法创建文件");
}

ZipWriter::~ZipWriter()
{
    if (m_zip)
        zipClose(writer(m_zip), nullptr);
}

bool ZipWriter::openEntry(const QString& entryName, Method method, const QDateTime& modified)
{
    if (!m_zip)
        return false;
    zip_fileinfo info{};
    info.tmz_date.tm_year = uInt(modified.date().year());
    info.tmz_date.tm_mon = uInt(modified.date().month() - 1);
    info.tmz_date.tm_mday = uInt(modified.date().day());
    info.tmz_date.tm_hour = uInt(modified.time().hour());
    info.tmz_date.tm_min = uInt(modified.time().minute());
    info.tmz_date.tm_sec = uInt(modified.time().second());
    info.external_fa = RegularFile;
    const bool deflate = method == Method::Deflate;
    // The fastest level: a shop's database of 470 MB packs in 6 s instead of 15 s, for an
    // archive a sixth larger.
    if (zipOpenNewFileInZip4_64(writer(m_zip), entryName.toUtf8().constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                deflate ? Z_DEFLATED : 0, deflate ? Z_BEST_SPEED : 0, 0, -MAX_WBITS, 8,
                                Z_DEFAULT_STRATEGY, nullptr, 0, MadeOnUnix, Utf8Names, 1) != ZIP_OK) {
        m_error = QStringLiteral("无法加入 %1").arg(entryName);
        return false;
    }
    return true;
}

bool ZipWriter::closeEntry()
{
    if (zipCloseFileInZip(writer(m_zip)) != ZIP_OK) {
        m_error = QStringLiteral("磁盘已满或无法写入");
        return false;
    }
    return true;
}

bool ZipWriter::addFile(const QString& entryName, const QString& sourcePath, Method method,
                        const std::function<bool()>& keepGoing)
{
    QFile in(sourcePath);
    if (!in.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("无法读取 %1：%2").arg(sourcePath, in.errorString());
        return false;
    }
    if (!openEntry(entryName, method, in.fileTime(QFileDevice::FileModificationTime)))
        return false;
    QByteArray buffer(ChunkBytes, Qt::Uninitialized);
    qint64 read;
    while ((read = in.read(buffer.data(), buffer.size())) > 0) {
        if (keepGoing && !keepGoing()) {
            m_error = QStringLiteral("已停止");
            return false;
        }
        if (zipWriteInFileInZip(writer(m_zip), buffer.constData(), unsigned(read)) != ZIP_OK) {
            m_error = QStringLiteral("磁盘已满或无法写入");
            return false;
        }
    }
    if (read < 0) {
        m_error = QStringLiteral("无法读取 %1：%2").arg(sourcePath, in.errorString());
        return false;
    }
    return closeEntry();
}

bool ZipWriter::addData(const QString& entryName, const QByteArray& data, Method method)
{
    if (!openEntry(entryName, method, QDateTime::currentDateTime()))
        return false;
    for (qsizetype at = 0; at < data.size(); at += ChunkBytes) {
        const unsigned size = unsigned(std::min(ChunkBytes, data.size() - at));
        if (zipWriteInFileInZip(writer(m_zip), data.constData() + at, size) != ZIP_OK) {
            m_error = QStringLiteral("磁盘已满或无法写入");
            return false;
        }
    }
    return closeEntry();
}

bool ZipWriter::finish()
{
    if (!m_zip)
        return false;
    const int rc = zipClose(writer(m_zip), nullptr);
    m_zip = nullptr;
    if (rc != ZIP_OK) {
        m_error = QStringLiteral("磁盘已满或无法写入");
        return false;
    }
    return true;
}

ZipReader::ZipReader(const QString& path)
{
    m_zip = unzOpen64(QFile::encodeName(path).constData());
    if (!m_zip)
        return;
    int rc = unzGoToFirstFile(reader(m_zip));
    while (rc == UNZ_OK) {
        unz_file_info64 info{};
        QByteArray name;
        unz64_file_pos position{};
        if (unzGetCurrentFileInfo64(reader(m_zip), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        name.resize(qsizetype(info.size_filename));
        QByteArray extra(qsizetype(info.size_file_extra), '\0');
        if (unzGetCurrentFileInfo64(reader(m_zip), &info, name.data(), uLong(name.size()), extra.data(),
                                    uLong(extra.size()), nullptr, 0) != UNZ_OK ||
            unzGetFilePos64(reader(m_zip), &position) != UNZ_OK)
            break;
        m_entries.append({QString::fromUtf8(name), recordedSize(info.uncompressed_size, extra)});
        m_positions.append(QByteArray(reinterpret_cast<const char*>(&position), sizeof position));
        rc = unzGoToNextFile(reader(m_zip));
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        // A directory that cannot be read to its end: nothing in it is to be believed.
        unzClose(reader(m_zip));
        m_zip = nullptr;
        m_entries.clear();
        m_positions.clear();
    }
}

ZipReader::~ZipReader()
{
    if (m_zip)
        unzClose(reader(m_zip));
}

const ZipReader::Entry* ZipReader::find(const QString& name, Qt::CaseSensitivity cs) const
{
    for (const Entry& entry : m_entries)
        if (entry.name.compare(name, cs) == 0)
            return &entry;
    return nullptr;
}

ZipReader::Status ZipReader::read(const Entry& entry, quint64 limit, const Sink& sink)
{
    const qsizetype index = &entry - m_entries.constData();
    if (!m_zip || index < 0 || index >= m_entries.size())
        return Status::Missing;
    if (entry.size > limit)
        return Status::TooLarge;
    unz64_file_pos position;
    std::memcpy(&position, m_positions[index].constData(), sizeof position);
    if (unzGoToFilePos64(reader(m_zip), &position) != UNZ_OK || unzOpenCurrentFile(reader(m_zip)) != UNZ_OK)
        return Status::Damaged;
    QByteArray buffer(ChunkBytes, Qt::Uninitialized);
    quint64 total = 0;
    int got;
    Status status = Status::Ok;
    while ((got = unzReadCurrentFile(reader(m_zip), buffer.data(), unsigned(buffer.size()))) > 0) {
        total += quint64(got);
        // Data that runs past its recorded size is not the entry the directory describes.
        if (total > entry.size) {
            status = total > limit ? Status::TooLarge : Status::Damaged;
            break;
        }
        if (!sink(buffer.constData(), got)) {
            status = Status::Stopped;
            break;
        }
    }
    // Closing checks the CRC, but only of an entry read to its recorded end: a changed
    // byte can also end the compressed data early.
    const bool closed = unzCloseCurrentFile(reader(m_zip)) == UNZ_OK;
    if (status != Status::Ok)
        return status;
    if (got < 0 || !closed || total != entry.size)
        return Status::Damaged;
    return Status::Ok;
}

ZipReader::Status ZipReader::readAll(const QString& name, quint64 limit, QByteArray* data, Qt::CaseSensitivity cs)
{
    data->clear();
    const Entry* entry = find(name, cs);
    if (!entry)
        return Status::Missing;
    // A QByteArray holds at most 2 GiB less a little.
    const quint64 bounded = std::min<quint64>(limit, quint64(std::numeric_limits<int>::max() - 64));
    if (entry->size <= bounded)
        data->reserve(qsizetype(entry->size));
    return read(*entry, bounded, [&](const char* bytes, qsizetype size) {
        data->append(bytes, size);
        return true;
    });
}
