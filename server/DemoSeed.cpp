#include "server/DemoSeed.h"

#include "server/SeedFile.h"

#include <cstddef>
#include <string_view>

// demo-seed.json, built into the server (see server/CMakeLists.txt).
extern const unsigned char kDemoSeedJson[];
extern const std::size_t kDemoSeedJsonSize;

void SeedDemo(Database& db, const std::tm& today) {
    const std::string_view json(reinterpret_cast<const char*>(kDemoSeedJson), kDemoSeedJsonSize);
    std::string error;
    // The demo's reports name no files of their own, so there is no folder to read them from.
    if (!SeedFromText(db, json, std::string(), "demo", today, error)) {
        throw DatabaseError("the built-in demo practice cannot be seeded: " + error);
    }
}
