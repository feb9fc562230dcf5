#include "dialogs/search/Search.h"

#include "dialogs/search/CDlgSearch.h"
#include "dialogs/search/SearchChoice.h"
#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/ReportQuery.h"
#include "transport/CHttp.h"
#include "transport/gui/CDlgPleaseWait.h"

void Search::Run() {
    if (ReportQuery::IsPendingCode(desk_.State().ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Click on Play to play Voice files"));
        return;
    }
    const QString namesUrl = Session().ServerURL() + QStringLiteral("qm_searchdemographics.php") +
                             QStringLiteral("?loginid=") + Session().LoggedUserId();
    WriteLog(QStringLiteral("OnButtonSearch: URL: ") + namesUrl);

    // Without the names the dialog still opens, with one empty entry to search on.
    QString names;
    {
        CHttp http;
        http.SetKeepResponse(true);
        http.SetURL(namesUrl);
        if (http.OpenInternetSession()) {
            http.DownloadFile();
            names = http.GetResponse();
            http.CloseSession();
        }
    }

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
