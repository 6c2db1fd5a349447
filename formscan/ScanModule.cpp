#include "ScanModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMutex>

#include <stdexcept>

namespace ScanModule {
namespace {

const char* const LanguagePackage = "tesseract-ocr-chi-sim";

QStringList Candidates()
{
    if (qEnvironmentVariableIsSet("TESSDATA_PREFIX")) {
        const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
        return {prefix, QDir(prefix).filePath("tessdata")};
    }
    return {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata", "/usr/share/tessdata",
            "/usr/local/share/tessdata"};
}

using ScanEntry = void (*)(const QImage&, double, double, const TextReader::Control&, FormScan::Proposal&);

// Beside the program first (a copied program folder), then where this build put it,
// then where an installed copy keeps it, beside bin/ under the same prefix.
ScanEntry entry()
{
    static QMutex mutex;
    static ScanEntry loaded = nullptr;
    QMutexLocker lock(&mutex);
    if (loaded)
        return loaded;
    const QString program = QCoreApplication::applicationDirPath();
    const QStringList folders = {program, QStringLiteral(ORVANE_FORMSCAN_BUILD_DIR),
                                 QDir(program).filePath(QStringLiteral("../" ORVANE_FORMSCAN_INSTALL_DIR))};
    for (const QString& folder : folders) {
        QLibrary module(QDir(folder).filePath(QStringLiteral("orvane-formscan")));
        if (module.load()) {
            loaded = reinterpret_cast<ScanEntry>(module.resolve("orvaneFormScan"));
            if (loaded)
                return loaded;
        }
    }
    throw std::runtime_error("the form reading module could not be loaded");
}

} // namespace

QString LanguageFolder()
{
    for (const QString& folder : Candidates())
        if (QFileInfo(QDir(folder).filePath(QString::fromLatin1(Language) + ".traineddata")).isFile())
            return folder;
    return {};
}

QStringList MissingPackages()
{
    if (LanguageFolder().isEmpty())
        return {QString::fromLatin1(LanguagePackage)};
    return {};
}

FormScan::Proposal Scan(const QImage& picture, double pxPerMm, double boxHeightMm, const TextReader::Control& control)
{
    FormScan::Proposal proposal;
    entry()(picture, pxPerMm, boxHeightMm, control, proposal);
    return proposal;
}

} // namespace ScanModule
