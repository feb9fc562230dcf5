#pragma once

#include "reportlist/core/DeskContext.h"

// While a document is open for editing, Open, Print, E-Sign and Edit Demographics refuse with
// "Currently opened document, <path>, needs to be closed before opening another one." True
// when the refusal was shown.
bool RefuseWhileDocumentOpen(DeskContext& desk);
