#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CDlgAddEntry;
}

// Types one address book entry: a new contact, or a change of one (the entry text handed in
// with the edit flag set). After OK the entry text holds what goes to the server.
class CDlgAddEntry final : public QDialog {
    Q_OBJECT
public:
    explicit CDlgAddEntry(QWidget* parent = nullptr);
    ~CDlgAddEntry() override;

    // text: "company~first~middle~last~fax~e-mail~phone~key~" for a change (flag 1), empty and
    // 0 for a new entry.
    void SetEntryText(const QString& text, int editFlag);
    QString EntryText() const { return entryText_; }
    QString Key() const { return key_; }

    int exec() override;
    void accept() override;

private:
    void Initialise();

    std::unique_ptr<Ui::CDlgAddEntry> ui_;
    QString entryText_;
    QString key_;
    int editFlag_ = 0;
};
