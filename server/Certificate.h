#pragma once

#include <string>

// Makes sure dataDir holds "server.crt" and "server.key" (a self-signed certificate for the
// HTTPS port, an EC P-256 key so that it is made in a millisecond); false with error set when it
// cannot. An existing pair is kept.
bool EnsureCertificate(const std::string& dataDir, std::string& certPath, std::string& keyPath,
                       std::string& error);
