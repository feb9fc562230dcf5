#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class ReportListModel;

namespace Ui {
class CDlgAddCustomProperty;
}

// Registers new custom property names on the server. Closes with OK after "Save" whatever the
// server said; the saved flag tells whether the names were taken.
class CDlgAddCustomProperty final : public QDialog {
    Q_OBJECT
public:
    explicit CDlgAddCustomProperty(QWidget* parent = nullptr);
    ~CDlgAddCustomProperty() override;

    int exec() override;
    int SavedFlag() const { return savedFlag_; }
    QString Names() const { return names_; } // each name followed by "~"
    ReportListModel* Model() const;

public slots:
    void OnAdd();
    void OnRemove();
    void OnSave();

private:
    std::unique_ptr<Ui::CDlgAddCustomProperty> ui_;
    QString names_;
    int savedFlag_ = 1;
};
