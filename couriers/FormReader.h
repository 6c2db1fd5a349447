#pragma once

#include "FormScan.h"

#include <QObject>
#include <QSize>
#include <atomic>

class QThread;

// Reads a company's form picture with FormScan on a thread of its own, so the designer
// stays responsive while it runs; progress and the result arrive as signals on the
// thread that made the reader. Deleting the reader stops a reading still running.
class FormReader : public QObject {
    Q_OBJECT
public:
    FormReader(const QString& pictureFile, double formWidthMm, double boxHeightMm, QObject* parent);
    ~FormReader() override;

signals:
    void progressed(int percent);
    // `pictureSize`: the picture read, in its own pixels, which the proposal is given in.
    // `failure`: what the user is told when the picture could not be read.
    void finished(const FormScan::Proposal& proposal, QSize pictureSize, const QString& failure);

private:
    std::atomic<bool> m_cancelled{false};
    QThread* m_thread = nullptr;
};

// What the designer tells after a reading: how many items were placed, which were not
// found, and what to do next.
QString ProposalSummary(const FormScan::Proposal& proposal);
