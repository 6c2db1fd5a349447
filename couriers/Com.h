#pragma once

#include <QDialog>
#include <QPointer>

class LimitedEdit;
class QPushButton;
class QueryWindow;

// Entry and edit of a courier company.
class TfrmCom : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCom(QWidget* parent);

    // Set by the opener before showing: empty CompanyId means a new company.
    QString CompanyId;
    QString OldName;
    QPointer<QueryWindow> QueryWindowToRefresh;

    LimitedEdit* edit(int number) const { return m_edits[number - 1]; }
    void BitBtn1Click();

private:
    LimitedEdit* m_edits[6];
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};
