#include "dialogs/search/Search.h"

#include "dialogs/search/CDlgSearch.h"
#include "dialogs/search/SearchChoice.h"
#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/ReportQuery.h"
#include "transport/gui/CDlgPleaseWait.h"
#include "transport/scripts/ServerScripts.h"

void Search::Run() {
    if (ReportQuery::IsPendingCode(desk_.State().ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Click on Play to play Voice files"));
        return;
    }
    const SearchNamesRequest namesRequest{Session().LoggedUserId()};
    WriteLog(QStringLiteral("OnButtonSearch: URL: ") + namesRequest.Address());

    // Without the names the dialog still opens, with one empty entry to search on.
    const QString names = namesRequest.Send().raw;

    QString url;
    SearchChoice choice;
    {
        CDlgSearch dialog(desk_.DialogParent());
        dialog.SetDemographicNames(names);
        dialog.SetLastSearch(desk_.State().LastSearch);
        if (dialog.exec() == QDialog::Accepted) {
            url = dialog.SearchURL();
            choice = dialog.Choice();
            WriteLog(QStringLiteral("OnButtonSearch: URL for search criteria,") + url);
        }
    }
    url = url.trimmed();
    if (url.isEmpty()) {
        return;
    }
    desk_.State().LastSearch = choice; // the dialog opens on it next time

    // Only this search's own result is loaded: a failed one never shows another feature's file
    // (an address book, the custom properties) as a report list, and the window keeps its list.
    const QString list = CDlgPleaseWait::DownloadList(url, desk_.DialogParent());
    if (!list.isEmpty()) {
        desk_.LoadSearchResult(list, DescribeSearch(choice));
    }
}
