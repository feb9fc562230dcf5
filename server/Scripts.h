#pragma once

#include "server/Answer.h"

#include <string>
#include <utility>
#include <vector>

// Every script is registered under its name (compared without regard to case); the folder part
// of the request path does not matter, so a ServerURL with a folder works too.
using ScriptTable = std::vector<std::pair<std::string, Script>>;

void AddReportListScripts(ScriptTable& table);     // file list, searches
void AddDocumentScripts(ScriptTable& table);       // documents, status, server time, versions
void AddUploadScripts(ScriptTable& table);         // e-sign and resync uploads
void AddAddressBookScripts(ScriptTable& table);    // address book and fax queue
void AddCustomPropertyScripts(ScriptTable& table); // custom properties and their order
void AddJobScripts(ScriptTable& table);            // rename/STAT, dictation audio
void AddAuditTrailScript(ScriptTable& table);

// "desk.php": the host page for ?user=ID (the demo user's page without it).
Answer HostPage(ServerContext& ctx, const ScriptRequest& request);
