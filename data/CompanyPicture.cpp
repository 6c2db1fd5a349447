#include "CompanyPicture.h"

#include "AppError.h"
#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

} // namespace

QString CompanyPicturePath(const QString& companyName)
{
    return QDir(Unit1::programDir())
        .filePath(QStringLiteral("Image/") + fileBaseName(companyName) + QStringLiteral(".jpg"));
}

bool CompanyPictureExists(const QString& companyName) { return QFile::exists(CompanyPicturePath(companyName)); }

void CopyInCompanyPicture(const QString& companyName, const QString& sourceFile)
{
    const QString target = CompanyPicturePath(companyName);
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
}

void RemoveCompanyPicture(const QString& companyName) { QFile::remove(CompanyPicturePath(companyName)); }
