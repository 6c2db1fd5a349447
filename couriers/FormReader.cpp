#include "FormReader.h"

#include "AppError.h"
#include "JpegLoader.h"
#include "PrintItems.h"
#include "ScanModule.h"

#include <QThread>

FormReader::FormReader(const QString& pictureFile, double formWidthMm, double boxHeightMm, QObject* parent)
    : QObject(parent)
{
    m_thread = QThread::create([this, pictureFile, formWidthMm, boxHeightMm] {
        FormScan::Proposal proposal;
        QSize size;
        QString failure;
        int shown = -1;
        TextReader::Control control;
        control.cancelled = &m_cancelled;
        // Posted, not called: the receivers live on the reader's own thread.
        control.progress = [this, &shown](int percent) {
            if (percent == shown)
                return;
            shown = percent;
            QMetaObject::invokeMethod(
                this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
        };
        try {
            const QImage picture = LoadJpeg(pictureFile);
            size = picture.size();
            proposal = ScanModule::Scan(picture, picture.width() / formWidthMm, boxHeightMm, control);
        } catch (const AppError& error) {
            failure = error.message();
        } catch (const std::runtime_error&) {
            failure = QStringLiteral("文字识别无法启动，请重新安装 tesseract-ocr-chi-sim 后再试。");
        } catch (const std::exception&) {
            failure = QStringLiteral("内存不足，无法识别这张图片。请关闭其他程序后再试。");
        }
        if (!m_cancelled)
            QMetaObject::invokeMethod(
                this, [this, proposal, size, failure] { emit finished(proposal, size, failure); },
                Qt::QueuedConnection);
    });
    m_thread->start();
}

FormReader::~FormReader()
{
    m_cancelled = true;
    m_thread->wait();
    delete m_thread;
}

QString ProposalSummary(const FormScan::Proposal& proposal)
{
    QStringList missing;
    for (const PrintItem& item : PrintItems())
        if (proposal.missing.contains(item.code))
            missing << item.displayName;
    QString summary = QStringLiteral("识别出 %1 项").arg(proposal.found.size());
    if (!missing.isEmpty())
        summary += QStringLiteral("，未找到：") + missing.join(QStringLiteral("、"));
    return summary + QStringLiteral("。请检查各项目的位置，然后单击 保存。");
}
