#include "CompanyPicture.h"

#include "AppError.h"
#include "DM.h"
#include "SqlDialect.h"
#include "Unit1.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace {

bool isHexDigit(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'); }

bool needsEncoding(const QString& name, qsizetype i)
{
    const QChar c = name[i];
    if (c == u'/' || c == u'\\' || c.unicode() == 0)
        return true;
    // A "%" that reads like the start of an encoded character is encoded itself, or
    // "a/b" and "a%2Fb" would share one file. Any other "%" stays, so a name such as
    // "50% off" keeps the file it always had.
    if (c == u'%')
        return i + 2 < name.size() && isHexDigit(name[i + 1]) && isHexDigit(name[i + 2]);
#ifdef Q_OS_WIN
    if (QStringLiteral(":*?\"<>|").contains(c) || c.unicode() < 0x20)
        return true;
#endif
    return false;
}

QString fileBaseName(const QString& name)
{
    QString base;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (needsEncoding(name, i))
            base += QStringLiteral("%%1").arg(name[i].unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            base += name[i];
    }
    // "." and ".." would name the folder itself or its parent.
    if (base == QLatin1String(".") || base == QLatin1String(".."))
        base.replace(QLatin1Char('.'), QStringLiteral("%2E"));
    return base;
}

[[noreturn]] void failCopy(const QString& target, const QString& reason)
{
    throw AppError(QStringLiteral("图片无法保存到 %1（%2），关闭窗口后将不再显示。")
                       .arg(QDir::toNativeSeparators(target), reason));
}

QString pictureFile(const QString& companyName)
{
    return QDir(Unit1::programDir())
        .filePath(QStringLiteral("Image/") + fileBaseName(companyName) + QStringLiteral(".jpg"));
}

// The companies whose file this run has made agree with the server's row, for the data the
// data module points at now.
QSet<QString>& agreeing()
{
    static QSet<QString> companies;
    static int generation = -1;
    if (generation != DM().generation()) {
        generation = DM().generation();
        companies.clear();
    }
    return companies;
}

// This PC's copy of the company's row: written where it differs, removed where there is no row.
void fetch(const QString& companyName, const QString& file)
{
    const QVariant data =
        QueryValue(SqlText(QStringLiteral("SELECT theData FROM SPicture WHERE (EName = ?) "), {companyName}));
    if (data.isNull()) {
        QFile::remove(file);
        return;
    }
    const QByteArray bytes = data.toByteArray();
    QFile copy(file);
    if (copy.size() == bytes.size() && copy.open(QIODevice::ReadOnly) && copy.readAll() == bytes)
        return;
    copy.close();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw AppError(QStringLiteral("服务器上的快递单图片无法保存到这台电脑的 %1（%2），这次不显示图片。\n"
                                      "请检查这个文件夹的写入权限和磁盘空间。")
                           .arg(QDir::toNativeSeparators(file), out.errorString()));
}

} // namespace

QString CompanyPicturePath(const QString& companyName)
{
    const QString file = pictureFile(companyName);
    if (DM().isServer() && !agreeing().contains(companyName)) {
        fetch(companyName, file);
        agreeing().insert(companyName);
    }
    return file;
}

bool CompanyPictureExists(const QString& companyName) { return QFile::exists(CompanyPicturePath(companyName)); }

void CopyInCompanyPicture(const QString& companyName, const QString& sourceFile)
{
    const QString target = pictureFile(companyName);
    const QString source = QFileInfo(sourceFile).canonicalFilePath();
    if (!source.isEmpty() && source == QFileInfo(target).canonicalFilePath())
        return;

    QFile in(sourceFile);
    if (!in.open(QIODevice::ReadOnly))
        failCopy(target, in.errorString());
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Written beside the old picture and renamed over it only once complete.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        failCopy(target, out.errorString());
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size())
            failCopy(target, out.errorString());
    }
    if (in.error() != QFileDevice::NoError)
        failCopy(target, in.errorString());
    if (!out.commit())
        failCopy(target, out.errorString());
    if (!DM().isServer())
        return;
    // Until the server holds it too, the next read puts back what the server holds.
    agreeing().remove(companyName);
    QFile copied(target);
    if (!copied.open(QIODevice::ReadOnly))
        failCopy(target, copied.errorString());
    DM().ExecSql(SqlText(
        QStringLiteral("INSERT INTO SPicture (EName, theData, theTime) VALUES (?, ?, ?) "
                       "ON CONFLICT (EName) DO UPDATE SET theData = excluded.theData, "
                       "theTime = excluded.theTime "),
        {companyName, copied.readAll(), QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))}));
    agreeing().insert(companyName);
}

void RemoveCompanyPicture(const QString& companyName)
{
    if (DM().isServer()) {
        DM().ExecSql(SqlText(QStringLiteral("DELETE FROM SPicture WHERE (EName = ?) "), {companyName}));
        // Read again when next asked for: the caller's transaction may yet be rolled back.
        agreeing().remove(companyName);
    }
    QFile::remove(pictureFile(companyName));
}
