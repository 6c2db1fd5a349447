#pragma once

#include <QString>

// The longest text a print item is expected to print, which the designer measures to see
// which boxes would overprint each other: for the province, city and district the longest
// name of China's divisions at that level (新疆维吾尔自治区, 克孜勒苏柯尔克孜自治州 …), for a
// full address the longest of them together, and for every other item its display name,
// as a test page prints it.
QString LongestText(const QString& code);
