#pragma once

#include <QLabel>
#include <QStringList>

// A print item's text in a box of a given width: on one line when it fits; otherwise
// wrapped onto a second line within the width; otherwise in a smaller font, down to
// MinPixelSize, on two lines. At that size it takes as many lines as it needs rather
// than lose any of the text or run past the box's width.
class FittedLabel : public QLabel {
    Q_OBJECT
public:
    FittedLabel(const QString& text, int boxWidth, QWidget* parent);

    static constexpr int MinPixelSize = 8;
    int lineCount() const { return static_cast<int>(m_lines.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_lines;
};
