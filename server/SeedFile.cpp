#include "server/SeedFile.h"

#include "server/SeedJson.h"
#include "server/SeedReports.h"

#include <filesystem>

namespace {

using Json = SeedJson;

constexpr std::uintmax_t kMaxSeedBytes = 4u * 1024u * 1024u;
constexpr int kMaxDepth = 8;

const std::vector<std::string> kSelected{"Dictation Date/Time", "FirstName", "LastName", "DateOfBirth", "MRN",
                                         "ReportType",          "Location"};
const std::vector<std::string> kAvailable{"Transcribed Date/Time", "DateOfVisit", "ReferringPhysicianName",
                                          "Uploaded Date/Time"};

void SeedUsers(Database& db, const Json& seed) {
    std::int64_t ord = 1;
    for (const Json& user : SeedItems(seed, "users")) {
        const std::string id = SeedText(user, "id");
        db.Prepare(
              "INSERT INTO users(id, name, role, signature_line, print_privilege, default_custom_property, "
              "ord) VALUES(?, ?, ?, ?, ?, ?, ?)")
            .Bind(1, id)
            .Bind(2, SeedText(user, "name", id))
            .Bind(3, SeedText(user, "role", "provider"))
            .Bind(4, SeedText(user, "signatureLine"))
            .Bind(5, SeedText(user, "printPrivilege", "1"))
            .Bind(6, SeedText(user, "defaultCustomProperty"))
            .Bind(7, ord++)
            .Run();
        std::int64_t providerOrd = 1;
        for (const auto& [provider, flags] : SeedPairs(user, "worksFor")) {
            db.Prepare("INSERT INTO user_providers(user_id, provider_id, ord, privileges) VALUES(?, ?, ?, ?)")
                .Bind(1, id)
                .Bind(2, provider)
                .Bind(3, providerOrd++)
                .Bind(4, flags)
                .Run();
        }
        const auto selected = user.contains("selected") ? SeedNames(user, "selected") : kSelected;
        const auto available = user.contains("available") ? SeedNames(user, "available") : kAvailable;
        std::int64_t catalog = 1;
        std::int64_t selectedOrd = 1;
        for (const std::string& name : selected) {
            db.Prepare("INSERT OR IGNORE INTO custom_properties(user_id, name, catalog_ord, selected_ord) "
                       "VALUES(?, ?, ?, ?)")
                .Bind(1, id)
                .Bind(2, name)
                .Bind(3, catalog++)
                .Bind(4, selectedOrd++)
                .Run();
        }
        for (const std::string& name : available) {
            db.Prepare("INSERT OR IGNORE INTO custom_properties(user_id, name, catalog_ord) VALUES(?, ?, ?)")
                .Bind(1, id)
                .Bind(2, name)
                .Bind(3, catalog++)
                .Run();
        }
    }
}

void Seed(Database& db, const Json& seed, const std::tm& today, const std::filesystem::path& folder,
          const std::string& label) {
    if (!seed.is_object()) {
        throw SeedError("the seed is one JSON object");
    }
    for (const auto& [id, name] : SeedPairs(seed, "locations")) {
        db.Prepare("INSERT INTO locations(id, name) VALUES(?, ?)").Bind(1, id).Bind(2, name).Run();
    }
    std::int64_t ord = 1;
    for (const Json& provider : SeedItems(seed, "providers")) {
        const std::string id = SeedText(provider, "id");
        db.Prepare("INSERT INTO providers(id, name, signature, ord) VALUES(?, ?, ?, ?)")
            .Bind(1, id)
            .Bind(2, SeedText(provider, "name", id))
            .Bind(3, SeedText(provider, "signature"))
            .Bind(4, ord++)
            .Run();
        std::int64_t locationOrd = 1;
        for (const std::string& location : SeedNames(provider, "locations")) {
            db.Prepare("INSERT INTO provider_locations(provider_id, location_id, ord) VALUES(?, ?, ?)")
                .Bind(1, id)
                .Bind(2, location)
                .Bind(3, locationOrd++)
                .Run();
        }
    }
    SeedUsers(db, seed);
    SeedReports(db, seed, today, folder);
    std::int64_t key = 101;
    for (const Json& contact : SeedItems(seed, "addressBook")) {
        db.Prepare(
              "INSERT INTO address_book(key, company, first, middle, last, fax, email, phone, changed_by) "
              "VALUES(?, ?, ?, ?, ?, ?, ?, ?, 'seed')")
            .Bind(1, static_cast<std::int64_t>(SeedNumber(contact, "key", static_cast<int>(key))))
            .Bind(2, SeedText(contact, "company"))
            .Bind(3, SeedText(contact, "first"))
            .Bind(4, SeedText(contact, "middle"))
            .Bind(5, SeedText(contact, "last"))
            .Bind(6, SeedText(contact, "fax"))
            .Bind(7, SeedText(contact, "email"))
            .Bind(8, SeedText(contact, "phone"))
            .Run();
        ++key;
    }
    const std::string defaultUser = SeedText(seed, "defaultUser");
    db.Prepare("INSERT INTO meta(key, value) VALUES('default_user', ?), ('seed', ?)")
        .Bind(1, defaultUser)
        .Bind(2, label)
        .Run();
}

} // namespace

bool SeedFromText(Database& db, std::string_view json, const std::string& folder, const std::string& label,
                  const std::tm& today, std::string& error) {
    try {
        if (json.size() > kMaxSeedBytes) {
            throw SeedError("the seed is larger than " + std::to_string(kMaxSeedBytes) + " bytes");
        }
        // Refuse deep nesting while parsing instead of after it.
        const Json::parser_callback_t bounded = [](int depth, Json::parse_event_t, Json&) {
            if (depth > kMaxDepth) {
                throw SeedError("nested deeper than " + std::to_string(kMaxDepth) + " levels");
            }
            return true;
        };
        const Json seed = Json::parse(json, bounded);
        Transaction transaction(db);
        Seed(db, seed, today, folder, label);
        transaction.Commit();
        return true;
    } catch (const SeedError& e) {
        error = e.what();
    } catch (const Json::exception& e) {
        error = e.what();
    } catch (const DatabaseError& e) {
        error = e.what();
    }
    return false;
}

bool SeedFromFile(Database& db, const std::string& path, const std::tm& today, std::string& error) {
    std::string text;
    try {
        text = ReadSeedFile(path, kMaxSeedBytes);
    } catch (const SeedError& e) {
        error = e.what();
        return false;
    }
    return SeedFromText(db, text, std::filesystem::path(path).parent_path().string(), "file", today, error);
}
