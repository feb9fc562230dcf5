#pragma once

#include "reportlist/core/DeskContext.h"

// "Open": the selected report in the word processor, for editing (watched, so that changes go
// back to the server) or, for a user who may only read it, protected and unwatched. One
// document at a time may be open for editing.
class OpenDocument final {
public:
    explicit OpenDocument(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    void OpenForEditing(const QString& name, bool esigned, const QString& esignOwner);

    DeskContext& desk_;
};
