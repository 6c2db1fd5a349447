#pragma once

#include <QComboBox>

// A drop-down list bound to a shared look-up list. The user can only pick an entry;
// the text is empty while nothing is picked, and a pick survives a refresh of the list.
class LookupCombo : public QComboBox {
    Q_OBJECT
public:
    explicit LookupCombo(QWidget* parent = nullptr);
    void bindTo(QAbstractItemModel* list);

private:
    QString m_kept;
};

// Refresh the shared list of user names / company names and bind the box to it.
void BindUserLookup(LookupCombo* box);
void BindCompanyLookup(LookupCombo* box);
