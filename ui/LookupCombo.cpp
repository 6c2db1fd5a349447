#include "LookupCombo.h"

#include "DM.h"

LookupCombo::LookupCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(20);
}

void LookupCombo::bindTo(QAbstractItemModel* list)
{
    if (model() != list) {
        setModel(list);
        connect(list, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_kept = currentText(); });
        connect(list, &QAbstractItemModel::modelReset, this, [this] { setCurrentIndex(findText(m_kept)); });
        setCurrentIndex(-1);
    }
}

void BindUserLookup(LookupCombo* box)
{
    DM().refreshUserLookup();
    box->bindTo(DM().userLookup());
}

void BindCompanyLookup(LookupCombo* box)
{
    DM().refreshCompanyLookup();
    box->bindTo(DM().companyLookup());
}
