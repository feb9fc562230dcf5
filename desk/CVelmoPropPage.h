#pragma once

#include "reportlist/core/DeskContext.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class CReportListCtrl;
class SearchBar;
class StatusLine;
class QMenu;
class QComboBox;
class QDateEdit;
class QPushButton;

namespace Ui {
class CVelmoPropPage;
}

// The report list window: the query filters across the top, the report list in the middle,
// the action buttons along the bottom. It is the desk's hub: every command the user gives is
// one of its slots (the command table below), and it owns the state the actions share.
class CVelmoPropPage : public QDialog, public DeskContext {
    Q_OBJECT
public:
    // Context menu command ids; the menu items carry them as their data.
    enum Command {
        IdOpen = 32768,
        IdPrint = 32770,
        IdFax = 32771,
        IdForward = 32772,
        IdEsign = 32773,
        IdSearch = 32774,
        IdDocumentHistory = 32775,
        IdPlay = 32776,
        IdRename = 32780,
        IdAuditTrail = 32781,
        IdEditDemographics = 32782,
        IdStoreColumnOrder = 32783,
        IdCustomProperties = 32784,
        IdAddressBook = 32789,
    };
    static constexpr int kNoResultTimerId = 101;

    explicit CVelmoPropPage(QWidget* parent = nullptr);
    // Empties the working folders and deletes the provider/location cache.
    ~CVelmoPropPage() override;
    CVelmoPropPage(const CVelmoPropPage&) = delete;
    CVelmoPropPage& operator=(const CVelmoPropPage&) = delete;

    // Builds the window's state from the session and runs the first query. The control
    // calls it once, after the window is shown and the event loop runs.
    void OnInitDialog();

    // Replaces the list with a downloaded file list and deletes the file. Rows whose names the
    // desk refuses are not listed, and the user is told how many (RefusedRowsText).
    void LoadFileList(const QString& path) override;
    static QString RefusedRowsText(int rows);
    // Index of the column captioned "Filename", -1 when none; repaints the list.
    int FindFilenameColumn();
    // Deletes every file directly in folder; sub-folders stay.
    static void EmptyFolder(const QString& folder);

    // The context menu for the current list state (items enabled per report type). Null when
    // no row is selected, as then no menu is shown.
    std::unique_ptr<QMenu> BuildContextMenu();

    // What the actions reach (DeskContext).
    WindowState& State() override { return state_; }
    const WindowState& State() const { return state_; }
    QList<int> SelectedRows() const override;
    int RowCount() const override;
    QString CellText(int row, const QString& caption) const override;
    QString Filename(int row) const override;
    QString AccessFlags(int row) const override;
    QString EsignOwner(int row) const override;
    QStringList ColumnCaptions() const override;
    void SetStatusForSelected(StatusColumn column, const QStringList& names, const QString& text) override;
    void DeleteAllRows() override;
    void ShowBusy(Busy which, bool shown) override;
    void RepaintNow() override;
    void ShowStatus(const QString& text) override;
    void LoadSearchResult(const QString& path, const QString& searched) override;
    void RunQuery() override;
    void DownloadDocuments(const QStringList& names) override;
    QWidget* DialogParent() override;
    CReportListCtrl* List() const;
    StatusLine* Status() const { return statusLine_; }
    SearchBar* SearchResultBar() const { return searchBar_; }
    // The filters take two rows when one row would cut them (dates and report type below).
    bool FiltersWrapped() const { return filtersWrapped_; }
    // The smallest size at which nothing of the window overlaps (the filters on two rows).
    QSize SmallestSize() const;
    // Whether timer 101 (the no-result check) is waiting for its tick.
    bool NoResultCheckPending() const { return noResultTimer_.isActive(); }

public slots:
    // The command table.
    void OnButtonViewlist();            // "Go": run the query
    void OnButtonOpen();                // "Open", menu "&Open"
    void OnButtonPrint();               // "Print", menu "&Print"
    void OnButtonFax();                 // "Fax", menu "&Fax"
    void OnButtonForward();             // "Forward", menu "Fo&rward"
    void OnButtonEsign();               // "E-Sign", menu "&E-Sign"
    void OnButtonEditDemographics();    // "Version", menu "Edit &Demographics"
    void OnButtonSearch();              // "Search", menu "&Search"
    void OnButtonPlay();                // "Play", menu "P&lay"
    void OnPopDocumentHistory();        // menu "Document &History"
    void OnPopAuditTrail();             // menu "Audit &Trail"
    void OnPopStoreColumnOrder();       // menu "Store &Column Header order"
    void OnPopCustomPropertySettings(); // menu "Custo&m Property Settings"
    void OnButtonRename();              // "Rename", menu "&Rename/STAT"
    void OnAddressBook();               // command 32789 (no button or menu item)
    void OnSelchangeComboPhysician();   // provider box selection changed
    void OnSelchangeComboReportType();  // nothing
    void OnButtonEdit();                // hidden "Edit": nothing
    void OnCloseupDateFrom();           // nothing
    void OnContextMenuList(const QPoint& globalPos);
    void OnDblclkList();

signals:
    // The start-up query has finished (list loaded and, when it started the no-result
    // timer, the check has run; or no list file came back).
    void StartupFinished();
    // Every command slot announces itself by name as it runs (diagnostics, tests, automation).
    void CommandRouted(const QString& command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The window is the control's only child and has no close button: Escape must not hide it.
    void reject() override;

private:
    void SetupControls();
    void ConnectCommands();
    void OnTimer();
    void FinishStartup();
    void FillProviderBox();
    void SetBackgroundImage();
    void SetButtonImages();
    void SetDefaultDates();
    void PreselectProvider();
    // The button row's actions that are enabled; the rest are disabled.
    struct ActionButtons {
        bool open = false, esign = false, print = false, forward = false, fax = false, demographics = false,
             search = false, play = false, rename = false;
    };
    void SetActionButtonsEnabled(const ActionButtons& enabled);
    void SelectItemStartingWith(QComboBox* box, const QString& prefix);
    void ArrangeFilters();
    int OneRowFilterWidth() const;
    // After a query's list arrived: it is no search result any more, and the rows of one that
    // found nothing do not stay under the filters' names.
    void LeaveSearch();
    QDateTime FromTime() const;
    QDateTime ToTime() const;

    std::unique_ptr<Ui::CVelmoPropPage> ui_;
    WindowState state_;
    QTimer noResultTimer_;
    bool startupPending_ = false;
    StatusLine* statusLine_ = nullptr;
    SearchBar* searchBar_ = nullptr;
    bool filtersWrapped_ = false;
};
