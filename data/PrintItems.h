#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The 27 texts of a waybill that can be printed, in code order: 25 fields, then the
// sender's and the recipient's full address. A company's SP rows are always written in
// this order (the full addresses came later and were added after the others), so the
// n-th row prints the n-th text.
struct PrintItem {
    QString code;        // SP.theName, and the name of its box and label
    QString displayName; // SP.theV
    int defaultTop;      // stored for a new company
    int defaultLeft;
    int initialLeft; // where the designer's box stands until a stored position applies
    int initialTop;
    int defaultWidth = 0; // the box width a company starts with; 0: one line at its natural width
    // The party's province, city, district and street in one text (JP11, SP11), no field
    // of its own: no form has a label for it.
    bool fullAddress = false;
};

constexpr int PrintItemCount = 27;
const std::array<PrintItem, PrintItemCount>& PrintItems();

// The texts of a layout's test page: slot 0 "0", slots 1 to 27 the items' display names.
QStringList TestPrintTexts();
