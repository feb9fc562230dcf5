#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QMenu;

namespace Ui {
class CDlgDocumentHistory;
}

// The earlier versions of one report, from the server's version list; any of them can be
// fetched and shown read-only.
class CDlgDocumentHistory : public QDialog {
    Q_OBJECT
public:
    explicit CDlgDocumentHistory(QWidget* parent = nullptr);
    ~CDlgDocumentHistory() override;

    // The unpacked version list; read once when the dialog opens, then deleted.
    void SetVersionListPath(const QString& path) { versionListPath_ = path; }
    // The list's pop-up menu (its one item does what "View Document" does).
    std::unique_ptr<QMenu> BuildContextMenu();

public slots:
    void OnViewDocument();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void LoadVersionList();

    std::unique_ptr<Ui::CDlgDocumentHistory> ui_;
    QString versionListPath_;
    bool initialised_ = false;
};
