#include "FormReader.h"

#include "AppError.h"
#include "JpegLoader.h"

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
            proposal = FormScan::Scan(picture, picture.width() / formWidthMm, boxHeightMm, control);
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
