#pragma once

#include <QString>

// The parts of a contact found in a pasted text, as the boxes of a contact hold them.
struct ParsedAddress {
    QString name;
    QString mobile;   // eleven digits
    QString phone;    // a landline without its area code, "88886666" (with "-ext" when the text gives one)
    QString areaCode; // the landline's area code, "0571"
    QString dept;     // only when the text marks it ("公司：", "单位：")
    QString province, city, district;
    QString street; // the address below the district
    QString postcode;

    bool isEmpty() const;
};

// Splits an address as people send it in a chat message ("张三 13812345678 浙江省杭州市西湖区文三路
// 100号") into a contact's parts. It takes the parts in any order, with or without spaces,
// commas or line breaks between them, labelled ("收件人：", "【电话】", "Tel:") or not; fills
// the province or city the text leaves out from the division table, and keeps a place it does
// not know in the street. Greetings and thanks around the address are left out, and so is the
// 收 after a name. Only the first 2,000 characters are read.
ParsedAddress ParseAddress(const QString& text);
