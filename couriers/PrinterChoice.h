#pragma once

#include <QString>

class QComboBox;

// The list in which a company's printer is chosen, in the designer and the calibration
// window alike: the system's default printer first (stored as an empty name), then every
// installed printer by its queue name; a chosen printer that has gone stays in the list,
// marked, so that opening and saving never changes the choice unasked.
void FillPrinterChoice(QComboBox* box, const QString& chosen);
// The queue name chosen; empty for the system's default.
QString ChosenPrinter(const QComboBox* box);
