#pragma once

#include <QDialog>
#include <QLabel>

class QPushButton;

// One print item's box in the designer. A press of any mouse button picks it up; it
// follows the pointer, keeping the point where it was grabbed, until the release.
class ItemBox : public QLabel {
    Q_OBJECT
public:
    ItemBox(const QString& code, const QString& caption, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
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
    void showPicture(const QImage& image);

    QWidget* m_area;
    QLabel* Image1;
    QPushButton* Button1;
    QPushButton* Button2;
    QList<ItemBox*> m_boxes;
    bool m_prepared = false;
};
