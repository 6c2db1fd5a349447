#pragma once

#include <QList>
#include <QRect>
#include <QString>

// The words printed on waybill forms: the field labels (姓名, 联系电话, 托寄物内容 …) and
// the part headings (寄件人, 收方, FROM …), and how a run of read characters is taken
// apart into them.
namespace FieldLabels {

enum class Part { None, Sender, Recipient };

enum class Role {
    None,
    Name,
    Phone,
    Mobile,
    Company,
    AreaCode,
    Province,
    City,
    District,
    Address,
    Postcode,
    Goods,
    Custom,
    Date
};

// One character as read, where it stands in the picture.
struct Glyph {
    QString text;
    QRect box;
};

// A label or a heading found in the text. A heading has no role; a label without a part
// takes the part of the place it stands in.
struct Hit {
    Part part = Part::None;
    Role role = Role::None;
    QRect box;
    bool exact = true;        // every character read as the word is spelt
    bool nameCapable = false; // a heading a name may follow: "寄方 ____"
};

// The labels and headings in a run of characters read as one word (no gap wider than a
// character between them). Parts of the run that are no known word give nothing, so
// "客服电话" is no phone label.
QList<Hit> Read(const QList<Glyph>& word);

// The print item whose value a label of `role` in `part` names; empty for none.
QString ItemCode(Part part, Role role);
// Roles whose item is the same for both parts (the goods, the date).
bool Shared(Role role);

} // namespace FieldLabels
