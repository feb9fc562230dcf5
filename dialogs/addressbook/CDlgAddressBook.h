#pragma once

#include "host/core/Prompts.h"

#include <QDialog>
#include <QString>

#include <memory>

class QMenu;
class ReportListModel;

namespace Ui {
class CDlgAddressBook;
}

// The user's address book: one row per contact, and Add, Edit and Delete of one entry at a time
// on the server. After an Add or Edit the server confirmed, the book is fetched again, so the
// list shows what the server holds; a deleted row goes. A double click edits the row. The
// book's file is deleted when the dialog goes, however it closes.
class CDlgAddressBook final : public QDialog {
    Q_OBJECT
public:
    // At most 100,000 contacts are read; a line over 64 KiB is skipped whole and logged.
    static constexpr qsizetype kMaxLines = 100000;

    explicit CDlgAddressBook(QWidget* parent = nullptr);
    ~CDlgAddressBook() override;

    void SetFilePath(const QString& path) { path_ = path; }
    int exec() override;

    // The list's pop-up menu: "&Insert" (always greyed), "&Add", "&Edit", "&Delete".
    std::unique_ptr<QMenu> BuildContextMenu();
    ReportListModel* Model() const;

public slots:
    void OnPopAdd();
    void OnPopEdit();
    void OnPopDelete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Initialise();
    void ReadFile();
    // Fetches the book again and shows it; the list stays as it was when that fails.
    void Reload();
    // "Delete NAME from the address book?", answered Yes.
    bool ConfirmDelete(int row);
    void ShowWait(bool shown);
    // Sends one update; its answer "~" shows success, anything else failure, a request that could
    // not be made nothing. True on success.
    bool SendUpdate(const QString& url, const QString& operation, const Prompts::Box& success,
                    const QString& failure);
    // Add and Edit: the entry dialog, then its text sent as an update.
    void RunEntryDialog(const QString& text, int mode, const QString& operation, const Prompts::Box& success,
                        const QString& failure);
    int SelectedRow() const;

    std::unique_ptr<Ui::CDlgAddressBook> ui_;
    QString path_;
};
