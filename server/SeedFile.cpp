#include "server/SeedFile.h"

#include "server/DateText.h"
#include "server/RtfDocument.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

using Json = nlohmann::ordered_json;

constexpr std::uintmax_t kMaxSeedBytes = 4u * 1024u * 1024u;
constexpr std::uintmax_t kMaxDocumentBytes = 16u * 1024u * 1024u;
constexpr int kMaxDepth = 8;
constexpr std::size_t kMaxItems = 10000;

class SeedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string ReadBounded(const std::filesystem::path& path, std::uintmax_t limit) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        throw SeedError("cannot read " + path.string());
    }
    if (size > limit) {
        throw SeedError(path.string() + " is larger than " + std::to_string(limit) + " bytes");
    }
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const Json& Items(const Json& object, const char* key) {
    static const Json none = Json::array();
    if (!object.contains(key)) {
        return none;
    }
    const Json& items = object.at(key);
    if (!items.is_array() && !items.is_object()) {
        throw SeedError(std::string(key) + " must be a list");
    }
    if (items.size() > kMaxItems) {
        throw SeedError(std::string(key) + " has too many entries");
    }
    return items;
}

std::string TextOf(const Json& object, const char* key, const std::string& fallback = {}) {
    if (!object.contains(key)) {
        return fallback;
    }
    const Json& value = object.at(key);
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<long long>());
    }
    throw SeedError(std::string(key) + " must be a text");
}

int NumberOf(const Json& object, const char* key, int fallback) {
    if (!object.contains(key)) {
        return fallback;
    }
    if (!object.at(key).is_number_integer()) {
        throw SeedError(std::string(key) + " must be a whole number");
    }
    return object.at(key).get<int>();
}

bool FlagOf(const Json& object, const char* key) {
    return object.contains(key) && object.at(key).is_boolean() && object.at(key).get<bool>();
}

// ["a", "b"] or {"a": ..., ...} -> the texts or keys in order.
std::vector<std::string> Names(const Json& object, const char* key) {
    std::vector<std::string> names;
    const Json& items = Items(object, key);
    for (auto it = items.begin(); it != items.end(); ++it) {
        names.push_back(items.is_object() ? it.key() : it->get<std::string>());
    }
    return names;
}

const std::vector<std::string> kSelected{"Dictation Date/Time", "FirstName", "LastName", "DateOfBirth", "MRN",
                                         "ReportType",          "Location"};
const std::vector<std::string> kAvailable{"Transcribed Date/Time", "DateOfVisit", "ReferringPhysicianName",
                                          "Uploaded Date/Time"};

void SeedUsers(Database& db, const Json& seed) {
    std::int64_t ord = 1;
    for (const Json& user : Items(seed, "users")) {
        const std::string id = TextOf(user, "id");
        db.Prepare(
              "INSERT INTO users(id, name, role, signature_line, print_privilege, default_custom_property, "
              "ord) VALUES(?, ?, ?, ?, ?, ?, ?)")
            .Bind(1, id)
            .Bind(2, TextOf(user, "name", id))
            .Bind(3, TextOf(user, "role", "provider"))
            .Bind(4, TextOf(user, "signatureLine"))
            .Bind(5, TextOf(user, "printPrivilege", "1"))
            .Bind(6, TextOf(user, "defaultCustomProperty"))
            .Bind(7, ord++)
            .Run();
        std::int64_t providerOrd = 1;
        const Json& worksFor = Items(user, "worksFor");
        if (!worksFor.is_object() && !worksFor.empty()) {
            throw SeedError("worksFor of user " + id + " maps provider ids to flags");
        }
        for (auto it = worksFor.begin(); it != worksFor.end(); ++it) {
            db.Prepare("INSERT INTO user_providers(user_id, provider_id, ord, privileges) VALUES(?, ?, ?, ?)")
                .Bind(1, id)
                .Bind(2, it.key())
                .Bind(3, providerOrd++)
                .Bind(4, it->get<std::string>())
                .Run();
        }
        const auto selected = user.contains("selected") ? Names(user, "selected") : kSelected;
        const auto available = user.contains("available") ? Names(user, "available") : kAvailable;
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

void SeedReports(Database& db, const Json& seed, const std::tm& today, const std::filesystem::path& folder) {
    std::tm midnight = today;
    midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
    for (const Json& row : Items(seed, "reports")) {
        const std::string name = TextOf(row, "name");
        const std::string kind = TextOf(row, "kind", "t");
        if (kind != "t" && kind != "p") {
            throw SeedError("report " + name + ": kind is t or p");
        }
        const int daysBack = NumberOf(row, "daysBack", 0);
        if (daysBack < 0 || daysBack > 36500) {
            throw SeedError("report " + name + ": daysBack out of range");
        }
        const std::tm transcribed = DateText::Shifted(midnight, -daysBack, 9 * 60);
        const std::tm dictated = DateText::Shifted(midnight, -daysBack - (kind == "t" ? 1 : 0), 8 * 60);
        std::vector<std::pair<std::string, std::string>> fields;
        const Json& fieldItems = Items(row, "fields");
        for (auto it = fieldItems.begin(); it != fieldItems.end(); ++it) {
            fields.emplace_back(it.key(), it->get<std::string>());
        }
        std::string document;
        if (row.contains("documentFile")) {
            document = ReadBounded(folder / TextOf(row, "documentFile"), kMaxDocumentBytes);
        } else if (row.contains("document")) {
            document = TextOf(row, "document");
        } else if (kind == "t") {
            RtfReport report;
            report.title = TextOf(row, "title", "Report");
            report.properties = fields;
            for (const auto& [field, value] : fields) {
                report.headerLines.emplace_back(field, field);
            }
            report.paragraphs = {"Report text of " +
                                 (name.empty() ? std::string("an unnamed report") : name) + "."};
            document = BuildRtf(report);
        }
        auto insert = db.Prepare("INSERT INTO reports(name, kind, provider_id, location_id, dictated_at, "
                                 "transcribed_at, saved_at, "
                                 "opened, printed, faxed, forwarded, esigned, stat, archived, document) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insert.Bind(1, name)
            .Bind(2, kind)
            .Bind(3, TextOf(row, "provider"))
            .Bind(4, TextOf(row, "location"))
            .Bind(5, DateText::Stored(dictated));
        if (kind == "t") {
            insert.Bind(6, DateText::Stored(transcribed)).Bind(7, DateText::Stored(transcribed));
        } else {
            insert.BindNull(6).BindNull(7);
        }
        insert.Bind(8, static_cast<std::int64_t>(FlagOf(row, "opened")))
            .Bind(9, static_cast<std::int64_t>(FlagOf(row, "printed")))
            .Bind(10, static_cast<std::int64_t>(FlagOf(row, "faxed")))
            .Bind(11, static_cast<std::int64_t>(FlagOf(row, "forwarded")))
            .Bind(12, static_cast<std::int64_t>(FlagOf(row, "esigned")))
            .Bind(13, TextOf(row, "stat"))
            .Bind(14, static_cast<std::int64_t>(FlagOf(row, "archived")));
        if (document.empty()) {
            insert.BindNull(15);
        } else {
            insert.BindBlob(15, document);
        }
        insert.Run();
        std::int64_t ord = 1;
        for (const auto& [field, value] : fields) {
            db.Prepare("INSERT INTO report_fields(report_name, name, value, ord) VALUES(?, ?, ?, ?)")
                .Bind(1, name)
                .Bind(2, field)
                .Bind(3, value)
                .Bind(4, ord++)
                .Run();
        }
        const Json& privileges = Items(row, "privileges");
        for (auto it = privileges.begin(); it != privileges.end() && privileges.is_object(); ++it) {
            db.Prepare("INSERT INTO report_privileges(user_id, report_name, privileges) VALUES(?, ?, ?)")
                .Bind(1, it.key())
                .Bind(2, name)
                .Bind(3, it->get<std::string>())
                .Run();
        }
    }
}

void Seed(Database& db, const Json& seed, const std::tm& today, const std::filesystem::path& folder) {
    if (!seed.is_object()) {
        throw SeedError("the seed is one JSON object");
    }
    const Json& locations = Items(seed, "locations");
    for (auto it = locations.begin(); it != locations.end() && locations.is_object(); ++it) {
        db.Prepare("INSERT INTO locations(id, name) VALUES(?, ?)")
            .Bind(1, it.key())
            .Bind(2, it->get<std::string>())
            .Run();
    }
    std::int64_t ord = 1;
    for (const Json& provider : Items(seed, "providers")) {
        const std::string id = TextOf(provider, "id");
        db.Prepare("INSERT INTO providers(id, name, signature, ord) VALUES(?, ?, ?, ?)")
            .Bind(1, id)
            .Bind(2, TextOf(provider, "name", id))
            .Bind(3, TextOf(provider, "signature"))
            .Bind(4, ord++)
            .Run();
        std::int64_t locationOrd = 1;
        for (const std::string& location : Names(provider, "locations")) {
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
    for (const Json& contact : Items(seed, "addressBook")) {
        db.Prepare(
              "INSERT INTO address_book(key, company, first, middle, last, fax, email, phone, changed_by) "
              "VALUES(?, ?, ?, ?, ?, ?, ?, ?, 'seed')")
            .Bind(1, static_cast<std::int64_t>(NumberOf(contact, "key", static_cast<int>(key))))
            .Bind(2, TextOf(contact, "company"))
            .Bind(3, TextOf(contact, "first"))
            .Bind(4, TextOf(contact, "middle"))
            .Bind(5, TextOf(contact, "last"))
            .Bind(6, TextOf(contact, "fax"))
            .Bind(7, TextOf(contact, "email"))
            .Bind(8, TextOf(contact, "phone"))
            .Run();
        ++key;
    }
    const std::string defaultUser = TextOf(seed, "defaultUser");
    db.Prepare("INSERT INTO meta(key, value) VALUES('default_user', ?), ('seed', 'file')")
        .Bind(1, defaultUser)
        .Run();
}

} // namespace

bool SeedFromFile(Database& db, const std::string& path, const std::tm& today, std::string& error) {
    try {
        const std::string text = ReadBounded(path, kMaxSeedBytes);
        // Refuse deep nesting while parsing instead of after it.
        const Json::parser_callback_t bounded = [](int depth, Json::parse_event_t, Json&) {
            if (depth > kMaxDepth) {
                throw SeedError("nested deeper than " + std::to_string(kMaxDepth) + " levels");
            }
            return true;
        };
        const Json seed = Json::parse(text, bounded);
        Transaction transaction(db);
        Seed(db, seed, today, std::filesystem::path(path).parent_path());
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
