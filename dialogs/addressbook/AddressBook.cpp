#include "dialogs/addressbook/AddressBook.h"

#include "dialogs/addressbook/CDlgAddressBook.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/SessionSettings.h"
#include "transport/gui/CDlgPleaseWait.h"
#include "transport/scripts/ServerScripts.h"

QString AddressBook::BookUrl() {
    return AddressBookRequest{Session().LoggedUserId()}.Address();
}

void AddressBook::Run() {
    const QString path = CDlgPleaseWait::DownloadList(BookUrl());
    if (path.isEmpty() || !CUtility::FileExists(path)) {
        WriteLog(QStringLiteral("OnPopAddressbook: Address book could not be downloaded..."));
        return;
    }
    CDlgAddressBook book(desk_.DialogParent());
    book.SetFilePath(path);
    book.exec();
}
