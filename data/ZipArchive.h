#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// Zip archives through minizip: the backup's archives and the workbooks the import reads.
// Nothing in a file is trusted: every read is bounded by the caller's limit and by the
// entry's own recorded size, and a short or corrupt entry is reported, never half used.

// Writes a new archive. Entries are marked as made on Unix with UTF-8 names, so Chinese
// names list and unpack whole in Info-ZIP's unzip as in other tools.
class ZipWriter {
public:
    explicit ZipWriter(const QString& path);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    enum class Method { Store, Deflate };
    // False with errorString() set on any failure; the archive is then unusable.
    bool isOpen() const { return m_zip != nullptr; }
    // `keepGoing`, asked before each chunk, may cut the entry short: false is returned then.
    bool addFile(const QString& entryName, const QString& sourcePath, Method method,
                 const std::function<bool()>& keepGoing = {});
    bool addData(const QString& entryName, const QByteArray& data, Method method = Method::Deflate);
    bool finish();
    QString errorString() const { return m_error; }

private:
    bool openEntry(const QString& entryName, Method method, const QDateTime& modified);
    bool closeEntry();
    void* m_zip = nullptr;
    QString m_error;
};

class ZipReader {
public:
    struct Entry {
        QString name;
        quint64 size = 0; // as the archive records it
    };
    enum class Status {
        Ok,
        Missing,  // no such entry
        TooLarge, // the recorded size or the bytes that come out pass the limit
        Damaged,  // data ends early, runs on, or fails its checksum
        Stopped,  // the sink asked to stop
    };

    // isOpen() is false when the file is missing or not a zip archive, and the listing
    // is refused whole when the archive's directory cannot be read to its end.
    explicit ZipReader(const QString& path);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    const QList<Entry>& entries() const { return m_entries; }
    // Part names inside a workbook ignore case; backup entries do not.
    const Entry* find(const QString& name, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    // Streams one entry to `sink` in chunks of at most 64 KiB, never more than `limit`
    // bytes in all; the sink returns false to stop.
    using Sink = std::function<bool(const char* data, qsizetype size)>;
    Status read(const Entry& entry, quint64 limit, const Sink& sink);
    Status readAll(const QString& name, quint64 limit, QByteArray* data, Qt::CaseSensitivity cs = Qt::CaseSensitive);

private:
    void* m_zip = nullptr;
    QList<Entry> m_entries;
    QList<QByteArray> m_positions; // unz64_file_pos of each entry, as bytes
};
