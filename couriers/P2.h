#pragma once

#include <QDialog>
#include <QLabel>

class QPushButton;
class QScrollArea;

// One print item's box in the designer. A press of any mouse button picks it up and
// brings it to the front, so a box lying under another can be taken; it follows the
// pointer, keeping the point where it was grabbed, until the release. Like a window on
// a desktop it may hang over the layout area's edges, but a piece big enough to grab
// always stays inside.
class ItemBox : public QLabel {
    Q_OBJECT
public:
    ItemBox(const QString& code, const QString& caption, QWidget* parent);

    // The side of the square that stays inside the area.
    static constexpr int GrabSize = 8;
    // The place nearest to `pos` where that square of the box lies inside `area`.
    QPoint withinReach(QPoint pos, QSize area) const;

signals:
    void dropped();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void follow(QMouseEvent* event);

    QPoint m_grab;
    bool m_moving = false;
};

// The layout designer: the company's scanned blank waybill with the 25 item boxes over
// it; the boxes are dragged into place and saved as the company's print positions.
class TfrmP2 : public QDialog {
    Q_OBJECT
public:
    explicit TfrmP2(QWidget* parent);

    QString CompanyName; // set by the opener before showing

    ItemBox* box(const QString& code) const;
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void prepare();
    void showPicture(QImage image);
    void fitArea();

    QScrollArea* ScrollBox1;
    QWidget* m_area;
    QLabel* Image1;
    QPushButton* Button1;
    QPushButton* Button2;
    QList<ItemBox*> m_boxes;
    bool m_prepared = false;
};
