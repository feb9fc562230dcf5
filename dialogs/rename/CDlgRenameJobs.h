#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class CDlgRenameJobs;
}

// Marks pending jobs STAT (or removes the mark), or hands them to another care provider and
// location: one "qm_rename.php" post for all jobs. Ends with OK once the post was made,
// whatever the server answered.
class CDlgRenameJobs : public QDialog {
    Q_OBJECT
public:
    explicit CDlgRenameJobs(QWidget* parent = nullptr);
    ~CDlgRenameJobs() override;

    void SetJobNames(const QStringList& names) { jobNames_ = names; }
    // 1 when the server confirmed the rename, 0 otherwise.

public slots:
    void OnOK();
    void OnStatMode();
    void OnProviderMode();
    void OnSelchangeComboPhysicianId();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();

    std::unique_ptr<Ui::CDlgRenameJobs> ui_;
    QStringList jobNames_;
    QStringList providerEntries_;
    int resultFlag_ = 0;
    bool initialised_ = false;
};
