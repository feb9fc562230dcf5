#pragma once

#include "reportlist/core/WindowState.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CDlgSearch;
}

// Turns one patient demographic, the provider scope, the transcription dates and the archive
// choice into a search address. The free-text mode's controls are part of the form but stay
// hidden, so the dialog always searches by demographic.
class CDlgSearch : public QDialog {
    Q_OBJECT
public:
    explicit CDlgSearch(QWidget* parent = nullptr);
    ~CDlgSearch() override;

    // The "~"-separated demographic names the server offers; set before the dialog runs. They
    // are listed by their captions ("Last Name") and sent as the server names them.
    void SetDemographicNames(const QString& names) { demographicNames_ = names; }
    // The search to open on (the last one of the window); one without a demographic changes nothing.
    void SetLastSearch(const SearchChoice& last) { last_ = last; }
    // What the address was built from, once the dialog closed with OK.
    const SearchChoice& Choice() const { return choice_; }
    // Empty unless the dialog closed with OK after building an address.
    QString SearchURL() const { return searchUrl_; }

public slots:
    void OnOK();
    void OnRadioCurrentProvider();
    void OnRadioOtherProviders();
    void OnCheckTranscribed();
    void OnRadioDemographic();
    void OnRadioFreeText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    bool BuildDemographicURL();
    bool BuildFreeTextURL();
    void RestoreLastSearch();

    std::unique_ptr<Ui::CDlgSearch> ui_;
    QString demographicNames_;
    QString searchUrl_;
    SearchChoice last_;
    SearchChoice choice_;
    int ownProvider_ = 0;
    bool initialised_ = false;
};
