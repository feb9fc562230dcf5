#pragma once

#include "server/Database.h"
#include "server/FaultMode.h"
#include "server/Journal.h"
#include "server/ServerOptions.h"

#include <mutex>
#include <string>

// What every request handler shares. The database is used under Lock(): the scripts are short,
// so one lock keeps the state consistent without further thought.
struct ServerContext {
    ServerContext(ServerOptions opts, const std::string& databasePath)
        : options(std::move(opts)), faults(ParseFaultMode(options.fault).value_or(FaultMode::None)),
          db(databasePath), scratchDir(options.dataDir) {}

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(dbMutex); }

    ServerOptions options;
    FaultTable faults;
    CraftedAnswers crafted;
    Database db;
    std::mutex dbMutex;
    Journal journal;
    std::string scratchDir;
    int httpPort = 80; // the bound port (differs from the option when that asked for any port)
    int httpsPort = 443;
};
