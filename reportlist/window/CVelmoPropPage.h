#pragma once

#include <QDialog>

// The report list window: filters, the report list, the action buttons. (Placeholder until
// the report list lands.)
class CVelmoPropPage : public QDialog {
    Q_OBJECT
public:
    explicit CVelmoPropPage(QWidget* parent = nullptr);

    // Builds the window's state from the session and runs the first query. The control
    // calls it once, after the window is shown and the event loop runs.
    void OnInitDialog();

signals:
    // The start-up query has finished (list loaded and, when it started the no-result
    // timer, the check has run; or no list file came back).
    void StartupFinished();
};
