#pragma once

#include <QList>
#include <QPoint>
#include <QSizeF>
#include <QStringList>
#include <QWidget>

// The calibration sheet, in layout pixels (1/96 inch) from the layout's origin, as a
// waybill's fields are placed: millimetre rulers near the top and left edges, a cross
// at each print item's position (the top-left corner of its text) with its coordinates
// in millimetres, and a few lines saying what was printed with which offset. It is a
// transparent child of the page, which prints it through the waybill's path.
class CalibrationSheet : public QWidget {
    Q_OBJECT
public:
    struct Mark {
        QString name;
        QPoint position; // layout pixels
    };

    CalibrationSheet(const QSizeF& paperMm, QList<Mark> marks, QStringList notes, QWidget* page);

    // Where the rulers' lines run, from the layout's origin: inside the unprintable
    // margin of most printers even when the origin is the paper's edge.
    static constexpr double RulerLineMm = 8;
    // Half the length of a cross's arms.
    static constexpr double CrossArmMm = 3;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintRulers(class QPainter& painter) const;
    void paintMarks(QPainter& painter) const;
    void paintNotes(QPainter& painter) const;

    QSizeF m_paperMm;
    QList<Mark> m_marks;
    QStringList m_notes;
};
