#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QStringList>

#include <memory>

namespace Ui {
class CDlgEditDemographics;
}

// The report's demographic fields, one row each, the value of the clicked row editable in the
// box below the list. OK returns the rows whose value changed.
class CDlgEditDemographics final : public QDialog {
    Q_OBJECT
public:
    // names and values are parallel; report names the document (for the log).
    CDlgEditDemographics(const QStringList& names, const QStringList& values, const QString& report,
                         QWidget* parent = nullptr);
    ~CDlgEditDemographics() override;
    CDlgEditDemographics(const CDlgEditDemographics&) = delete;
    CDlgEditDemographics& operator=(const CDlgEditDemographics&) = delete;

    // After OK: the changed rows (name, value; an emptied value as a single blank), top down.
    QList<QPair<QString, QString>> Changed() const { return changed_; }

    void OnClickListCp();
    void OnSetValue();
    void OnSetDemographics();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::CDlgEditDemographics> ui_;
    QString report_;
    QList<QPair<QString, QString>> changed_;
};
