#include "Controls.h"

#include "GbkText.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QValidator>

// Cuts a change at the limit of its box: typing past it does nothing and a paste stops
// there, always at a whole character. The length limit in characters is QLineEdit's
// own and cuts a paste before this sees it, possibly between the two halves of an
// emoji; the half left over goes here. A limit in GBK bytes, when set, is counted too.
class TypingLimit : public QValidator {
public:
    explicit TypingLimit(QLineEdit* edit) : QValidator(edit), m_accepted(edit->text())
    {
        // While the box validates a change its text() already holds the changed text, so
        // the text before the change is kept here.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_accepted = text; });
    }

    void setGbkBytes(int bytes) { m_gbkBytes = bytes; }

    State validate(QString& input, int& pos) const override
    {
        // The change replaced old[prefix, old.size() - suffix) by input[prefix, end).
        const QString& old = m_accepted;
        qsizetype prefix = 0;
        while (prefix < old.size() && prefix < input.size() && old[prefix] == input[prefix])
            ++prefix;
        if (prefix > 0 && input[prefix - 1].isHighSurrogate())
            --prefix;
        qsizetype suffix = 0;
        while (suffix < old.size() - prefix && suffix < input.size() - prefix &&
               old[old.size() - 1 - suffix] == input[input.size() - 1 - suffix])
            ++suffix;
        if (suffix > 0 && input[input.size() - suffix].isLowSurrogate())
            --suffix;
        const qsizetype end = input.size() - suffix;
        if (end == prefix)
            return Acceptable; // nothing typed or pasted, only taken away

        const QStringView head = QStringView(input).left(prefix);
        const QStringView tail = QStringView(input).right(suffix);
        const int room = m_gbkBytes > 0 ? m_gbkBytes - GbkBytesOf(head) - GbkBytesOf(tail) : -1;
        if (m_gbkBytes > 0 && room < 0)
            return Invalid;
        const qsizetype cut = prefix + FittingLength(QStringView(input).mid(prefix, end - prefix), -1, room);
        if (cut == end)
            return Acceptable;
        input.remove(cut, end - cut);
        pos = static_cast<int>(cut);
        return Acceptable;
    }

private:
    int m_gbkBytes = 0; // 0: no limit in bytes
    QString m_accepted;
};

namespace {

class AtPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '@';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

QFont AppFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

LimitedEdit::LimitedEdit(QWidget* parent) : QLineEdit(parent) {}

TypingLimit* LimitedEdit::typingLimit()
{
    if (!m_typingLimit) {
        m_typingLimit = new TypingLimit(this);
        setValidator(m_typingLimit);
    }
    return m_typingLimit;
}

void LimitedEdit::setCharLimit(int characters)
{
    setMaxLength(characters);
    typingLimit();
}

void LimitedEdit::setGbkByteLimit(int bytes) { typingLimit()->setGbkBytes(bytes); }

void LimitedEdit::setAtPassword()
{
    auto* style = new AtPasswordStyle;
    style->setParent(this);
    setStyle(style);
    setEchoMode(QLineEdit::Password);
}

void SetupFixedWindow(QWidget* window, const QString& caption, int width, int height)
{
    window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window->setWindowTitle(caption);
    window->setFont(AppFont());
    window->setFixedSize(width, height);
}

void CentreOn(QWidget* window, QWidget* over)
{
    QRect area;
    if (over && over->isVisible())
        area = over->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

LimitedEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int width, int charLimit)
{
    auto* edit = new LimitedEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, top, width, 21);
    if (charLimit > 0)
        edit->setCharLimit(charLimit);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                        QStyle::StandardPixmap icon)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    // Qt makes dialog buttons auto-default; only a window that names a default button has one.
    button->setAutoDefault(false);
    if (icon != QStyle::SP_CustomBase)
        button->setIcon(button->style()->standardIcon(icon));
    return button;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& title, const QRect& geometry)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(geometry);
    return group;
}

namespace {
template <class Button> Button* makeToggle(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* button = new Button(text, parent);
    button->setObjectName(QLatin1String(name));
    button->move(left, top);
    button->adjustSize();
    return button;
}
} // namespace

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    return makeToggle<QCheckBox>(parent, name, text, left, top);
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    return makeToggle<QRadioButton>(parent, name, text, left, top);
}
