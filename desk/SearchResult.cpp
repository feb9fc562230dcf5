// A search's result is said for what it is: the bar above the list names the search while its
// rows are shown, and a search that finds nothing empties the list rather than leaving the rows
// of another list under the bar.
#include "desk/CVelmoPropPage.h"
#include "desk/SearchBar.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"

void CVelmoPropPage::LoadSearchResult(const QString& path, const QString& searched) {
    LoadFileList(path);
    if (!state_.ListFileFound) {
        return; // nothing arrived (the download said why): the list and the bar stay as they were
    }
    if (Session().ListHasRecords() == 0) {
        DeleteAllRows();
        Prompts::Information(QStringLiteral("No result found."));
    }
    searchBar_->ShowSearch(searched);
}

void CVelmoPropPage::LeaveSearch() {
    if (!state_.ListFileFound || !searchBar_->Showing()) {
        return;
    }
    if (Session().ListHasRecords() == 0) {
        DeleteAllRows();
    }
    searchBar_->Leave();
}
