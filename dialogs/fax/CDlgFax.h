#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class CReportListCtrl;
class ReportListModel;

namespace Ui {
class CDlgFax;
}

// The contact book: the reports to fax, the contacts of the user's address book with check
// boxes, and "Send Fax", which queues every listed report for every checked contact on the
// server in one request.
class CDlgFax final : public QDialog {
    Q_OBJECT
public:
    // Hidden columns of the contact list: what travels with a row whatever the sort.
    enum ContactColumn { FaxNumber = 1, LastName = 2, FirstName = 3, Key = 4, Label = 5, Checked = 6 };

    explicit CDlgFax(QWidget* parent = nullptr);
    ~CDlgFax() override;

    // Lines "file name~first name~last name~report type", and each one's e-sign owner (kept,
    // not sent).
    void SetSelectedReports(const QStringList& lines, const QStringList& owners);
    QString AddressBookPath() const;
    // After a "Send Fax" the server confirmed: what was queued for whom, for the window's status
    // line; empty otherwise.
    QString QueuedNote() const { return queuedNote_; }

    int exec() override;
    void accept() override; // "Send Fax"

    CReportListCtrl* Reports() const;
    CReportListCtrl* Contacts() const;
    void SetChecked(int row, bool checked);
    bool IsChecked(int row) const;

public slots:
    void OnRefreshContacts();

private:
    void Initialise();
    void FillReports();
    void ApplyContactColumns();
    ReportListModel* ContactModel() const;

    std::unique_ptr<Ui::CDlgFax> ui_;
    QStringList lines_;
    QStringList owners_;
    QString queuedNote_;
};
