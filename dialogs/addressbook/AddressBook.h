#pragma once

#include "reportlist/core/DeskContext.h"

// "Address Book...": fetches the user's address book and shows it for adding, changing and
// deleting contacts.
class AddressBook final {
public:
    explicit AddressBook(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    DeskContext& desk_;
};
