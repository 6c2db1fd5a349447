#include "FormLabel.h"

#include "FormPainter.h"

#include <QPainter>
#include <cmath>

FormLabel::FormLabel(const FormText& text, QWidget* parent) : QLabel(text.text, parent), m_text(text)
{
    setObjectName(text.code);
    setAutoFillBackground(false);
    setTextFormat(Qt::PlainText);
    const FormPainter::Fitted fitted = FormPainter::Fit(m_text, 1, this);
    setGeometry(qFloor(text.pos.x()), qFloor(text.pos.y()), int(std::ceil(fitted.size.width())) + 1,
                int(std::ceil(fitted.size.height())) + 1);
}

void FormLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    FormPainter::PaintText(painter, m_text, 1, -QPointF(x(), y()));
}
