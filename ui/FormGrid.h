#pragma once

#include "FieldTable.h"

#include <QList>
#include <QRect>

class LimitedEdit;
class QDateEdit;
class QWidget;

// The entry dialogs lay out their fields as label-and-box pairs, three to a row: labels
// at x 16, 248 and 480, boxes at x 80, 312 and 544, 153 wide (385 across two places,
// 617 across three), one row every 32 pixels.
namespace FormGrid {
constexpr int FirstTop = 26; // clear of the group box's frame and title
constexpr int RowStep = 32;
int LabelLeft(int column);
int BoxLeft(int column);
int BoxWidth(int span);
QRect BoxRect(int row, int column, int span);
} // namespace FormGrid

// Creates the labelled boxes of `fields` in `parent` at their places, each named by its
// control name and limited as its field says; returns the boxes in table order.
QList<LimitedEdit*> PlaceFields(QWidget* parent, const FieldTable& fields);

// Applies a field's typing limit to a box.
void ApplyLimit(LimitedEdit* edit, const FieldDef& field);

// A date box that shows and takes "yyyy-mm-dd", with a calendar that drops down.
QDateEdit* MakeDatePicker(QWidget* parent, const char* name, const QRect& geometry);
