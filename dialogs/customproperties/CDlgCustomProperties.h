#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class QTreeWidget;

namespace Ui {
class CDlgCustomProperties;
}

// Chooses which custom properties the report list shows and in which order: the available
// ones on the left, the shown ones on the right in their order. "Save" closes with the key
// list of the shown ones; the list file is deleted when the dialog goes, Cancel included.
class CDlgCustomProperties final : public QDialog {
    Q_OBJECT
public:
    explicit CDlgCustomProperties(QWidget* parent = nullptr);
    ~CDlgCustomProperties() override;

    void SetListFile(const QString& path) { path_ = path; }
    QString KeyList() const { return keyList_; } // after "Save": each key followed by "~"
    int exec() override;
    void accept() override; // "Save"

    QStringList Available() const;
    QStringList Selected() const;
    QTreeWidget* AvailableList() const;
    QTreeWidget* SelectedList() const;

public slots:
    void OnMoveRight();    // ">"
    void OnMoveLeft();     // "<"
    void OnMoveAllRight(); // ">>"
    void OnMoveAllLeft();  // "<<"
    void OnUp();
    void OnDown();
    void OnClickSelected(); // the Up and Down buttons follow the selected list's selection
    void OnAddNew();

private:
    std::unique_ptr<Ui::CDlgCustomProperties> ui_;
    QString path_;
    QString keyList_;
};
