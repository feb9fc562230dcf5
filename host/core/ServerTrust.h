#pragma once

#include <QString>

// Which servers the desk believes are the ones they claim to be: those whose certificate, for the
// host name asked for, is signed by an authority of the system's store or of one extra file of
// certificates (a clinic's own authority). Verification is never relaxed: a server that fails it
// is sent nothing.
namespace ServerTrust {

// The extra file: --ca-file, else VELMO_CA_FILE, else the settings file's CaFile (so that a desk
// started from a link or the desktop entry finds it too); empty for none.
QString ChooseCaFile(const QString& option, const QString& environment, const QString& setting);
// Fixes the extra file for the rest of the run and logs it (a file that cannot be read is logged
// and left out). Until this is called, VELMO_CA_FILE is read for each request.
void Configure(const QString& caFile);
QString CaFile();

// Turns on peer and host verification on a libcurl handle (a CURL*), trusting the extra file
// beside the system's store; false when libcurl refuses an option.
bool Apply(void* curlHandle);
// Whether a libcurl result means the server's certificate could not be verified.
bool IsCertificateError(int curlCode);

} // namespace ServerTrust
