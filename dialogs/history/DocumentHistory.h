#pragma once

#include "reportlist/core/DeskContext.h"

// "Document History": the earlier versions the server keeps of the selected report.
class DocumentHistory final {
public:
    explicit DocumentHistory(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    DeskContext& desk_;
};
