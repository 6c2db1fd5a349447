#pragma once

#include "FormLayout.h"
#include "JpegLoader.h"

#include <QDialog>
#include <QLabel>
#include <QSet>

class FormReader;
class QComboBox;
class QDoubleSpinBox;
class QProgressBar;
class QPushButton;
class QScrollArea;
namespace FormScan {
struct Proposal;
}

// One print item's box in the designer, showing its display name as it prints there:
// the box's top-left corner is where the text starts, and a box given a width shows
// the text wrapped or shrunk into it. A press of any mouse button picks it up and
// brings it to the front, so a box lying under another can be taken; it follows the
// pointer, keeping the point where it was grabbed, until the release. Like a window on
// a desktop it may hang over the layout area's edges, but a piece big enough to grab
// always stays inside. Pressed at its right edge instead, the box is widened or
// narrowed, which gives the item a width to fit its text in; a double click there
// takes the width away again.
class ItemBox : public QLabel {
    Q_OBJECT
public:
    ItemBox(const QString& code, const QString& caption, QWidget* parent);

    // The side of the square that stays inside the area.
    static constexpr int GrabSize = 8;
    // The place nearest to `pos` where that square of the box lies inside `area`.
    QPoint withinReach(QPoint pos, QSize area) const;

    static constexpr int NaturalWidth = 100; // a box without a width
    static constexpr int MinWidth = 2 * GrabSize;
    static constexpr int EdgeGrip = 5; // how near the right edge a press resizes
    // 0: none, the text prints on one line at its natural width.
    int boxWidth() const { return m_boxWidth; }
    void setBoxWidth(int width);

    // A box the form's reading placed is framed in colour until the user takes it.
    bool proposed() const { return m_proposed; }
    void setProposed(bool proposed);
    // A box lying partly outside the form is drawn red, and says so.
    bool isOutside() const { return m_outside; }
    void setOutside(bool outside);
    // The display names of the items whose longest texts would overprint this one's; a
    // box with any is framed in dashes, and says with which.
    QStringList overlaps() const { return m_overlaps; }
    void setOverlaps(const QStringList& names);

signals:
    void dropped();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The display name as it prints from the box's corner, in the box's width.
    FormText preview() const;
    void follow(QMouseEvent* event);
    bool atRightEdge(QMouseEvent* event) const;

    QPoint m_grab;
    bool m_moving = false;
    bool m_resizing = false;
    bool m_resized = false;
    int m_rightGap = 0; // from the pointer to the right edge, while resizing
    int m_boxWidth = 0;
    bool m_proposed = false;
    bool m_outside = false;
    QStringList m_overlaps;

    void updateTip();
};

// The layout designer: the company's scanned blank waybill with the 27 item boxes over
// it; the boxes are dragged into place and saved as the company's print positions,
// with the form's real size and the printer it goes to. Given the blank form's real
// width, or a scan that states its resolution, the picture shows at true size (96
// pixels an inch), so a box over a mark prints on that mark whatever the scan's
// resolution; without either, the window asks for the width above the picture.
class TfrmP2 : public QDialog {
    Q_OBJECT
public:
    explicit TfrmP2(QWidget* parent);

    QString CompanyName; // set by the opener before showing

    ItemBox* box(const QString& code) const;
    void Button1Click();
    void Button2Click();
    // "识别表单": reads the picture's printed labels and moves the boxes to their fields;
    // nothing is stored until 保存.
    void scanFormClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void prepare();
    // Shows a picture just read, proposing the form's size from it as its resolution
    // or its shape allows.
    void takePicture(QImage picture, const JpegDensity& density, bool newScan);
    void showPicture(QImage image);
    void proposeHeight();
    void fitArea();
    void markOutside();
    void markOverlaps();
    void SpinWChange();
    void applyProposal(const FormScan::Proposal& proposal, QSize pictureSize);
    void SpinHChange();

    QScrollArea* ScrollBox1;
    QWidget* m_area;
    QLabel* Image1;
    QWidget* m_formEdge;
    QLabel* Label6;
    QPushButton* Button1;
    QPushButton* Button2;
    QDoubleSpinBox* SpinW;
    QPushButton* scanButton;
    QProgressBar* scanProgress;
    FormReader* m_reader = nullptr;
    QSet<QString> m_switchOn; // items the reading placed, switched on at 保存
    bool m_moved = false;     // boxes moved since the window opened
    QDoubleSpinBox* SpinH;
    QComboBox* ComboBox1;
    QList<ItemBox*> m_boxes;
    // The file the picture shown was read from, read again when the form's width changes:
    // only the scaled copy is kept.
    QString m_pictureFile;
    QSize m_pictureSize;           // the scan's own pixels
    bool m_heightProposed = false; // the height shown was worked out, not typed
    bool m_prepared = false;
};
