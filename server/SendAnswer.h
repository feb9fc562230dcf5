#pragma once

#include "server/Answer.h"
#include "server/FaultMode.h"

namespace httplib {
struct Response;
}

// Puts answer into res as the fault in force has it: rewritten (500, refusal, empty, 407, busy
// message, half a zip, a zip-slip entry), or sent slowly, cut off, chunked or with a huge header.
// FaultMode::None sends it as it is.
void SendAnswer(httplib::Response& res, Answer answer, FaultMode fault);
