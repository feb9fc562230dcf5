#pragma once

#include "reportlist/core/DeskContext.h"

// "Address Book...": fetches the user's address book and shows it for adding, changing and
// deleting contacts.
class AddressBook final {
public:
    explicit AddressBook(DeskContext& desk) : desk_(desk) {}
    void Run();
    // The user's address book on the server (fetched at opening and again after a change).
    static QString BookUrl();

private:
    DeskContext& desk_;
};
