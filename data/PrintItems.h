#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The 25 fields of a waybill that can be printed, in code order. A company's SP rows
// are always written in this order, so the n-th row prints the n-th field.
struct PrintItem {
    QString code;        // SP.theName, and the name of its box and label
    QString displayName; // SP.theV
    int defaultTop;      // stored for a new company
    int defaultLeft;
    int initialLeft; // where the designer's box stands until a stored position applies
    int initialTop;
};

constexpr int PrintItemCount = 25;
const std::array<PrintItem, PrintItemCount>& PrintItems();

// The texts of a layout's test page: slot 0 "0", slots 1 to 25 the items' display names.
QStringList TestPrintTexts();
