#include "CompanyPicture.h"

#include "Unit1.h"

#include <QDir>

namespace {

bool needsEncoding(QChar c)
{
    if (c == u'/' || c == u'\\' || c.unicode() == 0)
        return true;
#ifdef Q_OS_WIN
    if (QStringLiteral(":*?\"<>|").contains(c) || c.unicode() < 0x20)
        return true;
#endif
    return false;
}

QString fileBaseName(const QString& name)
{
    QString base;
    for (QChar c : name) {
        if (needsEncoding(c))
            base += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            base += c;
    }
    // "." and ".." would name the folder itself or its parent.
    if (base == QLatin1String(".") || base == QLatin1String(".."))
        base.replace(QLatin1Char('.'), QStringLiteral("%2E"));
    return base;
}

} // namespace

QString CompanyPicturePath(const QString& companyName)
{
    return QDir(Unit1::programDir())
        .filePath(QStringLiteral("Image/") + fileBaseName(companyName) + QStringLiteral(".jpg"));
}
