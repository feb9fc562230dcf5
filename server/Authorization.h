#pragma once

#include <string>

// --require-auth USER:PASS: whether the request's Authorization header carries exactly these
// Basic credentials. Without a requirement (empty) every request passes.
bool Authorized(const std::string& required, const std::string& authorizationHeader);
