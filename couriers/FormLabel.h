#pragma once

#include "FormLayout.h"

#include <QLabel>

// A printed text on the screen, named after its print item and standing where it
// prints, painted by the form painter exactly as the paper gets it.
class FormLabel : public QLabel {
    Q_OBJECT
public:
    FormLabel(const FormText& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FormText m_text;
};
