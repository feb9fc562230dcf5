#pragma once

#include <string>

// The stand-in's HTTPS identity, made the way a clinic's own authority would make it: a local
// authority ("ca.crt", "ca.key" in authorityDir, made when missing and kept, so that a desk given
// ca.crt trusts every server that shares it) and, at every start, a certificate for the address
// the server serves ("server.crt", "server.key" in dataDir), signed by that authority. EC P-256
// keys, made in a millisecond. False with error set when a step fails.
bool EnsureCertificate(const std::string& authorityDir, const std::string& dataDir,
                       const std::string& address, std::string& certPath, std::string& keyPath,
                       std::string& error);

// The authority's certificate in authorityDir: the file a desk is given to trust the server.
std::string AuthorityCertificatePath(const std::string& authorityDir);
