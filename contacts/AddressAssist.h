#pragma once

#include <QList>
#include <QObject>

struct ParsedAddress;
class LimitedEdit;
class QPushButton;
class QWidget;

// Help with a contact's address in an entry window: the region boxes (省市区, 地州市, 区县)
// complete from the national division table by characters or pinyin initials, a picked
// district or city fills the empty boxes above it, and "粘贴识别" fills the boxes from an
// address pasted from a chat. Nothing here saves: the user checks the boxes and saves.
class AddressAssist : public QObject {
    Q_OBJECT
public:
    // `boxes` are a contact's first ten boxes in the address book's order (name, phone, mobile,
    // organisation, area code, the three regions, address, postcode); the "粘贴识别" button,
    // named `buttonName`, sits at the top right of `group`.
    AddressAssist(QWidget* group, const QList<LimitedEdit*>& boxes, const char* buttonName);

    // Fills the boxes from the clipboard's text; when it holds no text, or nothing that reads as
    // a contact, a box opens to paste or type the text into.
    void pasteAddress();

private:
    // The parts found replace everything the boxes hold: a box the text does not fill is emptied.
    void fill(const ParsedAddress& parsed);

    QList<LimitedEdit*> m_boxes;
    QPushButton* m_button;
};
