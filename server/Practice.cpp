#include "server/Practice.h"

#include "server/DateText.h"
#include "server/TextUtil.h"

namespace Practice {

namespace {

constexpr const char* kReportColumns =
    "SELECT name, kind, provider_id, location_id, dictated_at, COALESCE(transcribed_at, ''), "
    "COALESCE(saved_at, ''), opened, printed, faxed, forwarded, esigned, stat, archived FROM reports ";

Report ReadReport(const Statement& stmt) {
    Report r;
    r.name = stmt.Text(0);
    r.kind = stmt.Text(1);
    r.providerId = stmt.Text(2);
    r.locationId = stmt.Text(3);
    r.dictatedAt = stmt.Text(4);
    r.transcribedAt = stmt.Text(5);
    r.savedAt = stmt.Text(6);
    r.opened = stmt.Int(7) != 0;
    r.printed = stmt.Int(8) != 0;
    r.faxed = stmt.Int(9) != 0;
    r.forwarded = stmt.Int(10) != 0;
    r.esigned = stmt.Int(11) != 0;
    r.stat = stmt.Text(12);
    r.archived = stmt.Int(13) != 0;
    return r;
}

User ReadUser(const Statement& stmt) {
    return User{stmt.Text(0), stmt.Text(1), stmt.Text(2), stmt.Text(3), stmt.Text(4), stmt.Text(5)};
}

constexpr const char* kUserColumns =
    "SELECT id, name, role, signature_line, print_privilege, default_custom_property FROM users ";

} // namespace

std::optional<User> FindUser(Database& db, const std::string& id) {
    auto stmt = db.Prepare(std::string(kUserColumns) + "WHERE id = ?");
    stmt.Bind(1, id);
    if (!stmt.Step()) {
        return std::nullopt;
    }
    return ReadUser(stmt);
}

std::vector<User> AllUsers(Database& db) {
    auto stmt = db.Prepare(std::string(kUserColumns) + "ORDER BY ord");
    std::vector<User> users;
    while (stmt.Step()) {
        users.push_back(ReadUser(stmt));
    }
    return users;
}

std::vector<ServedProvider> ProvidersOf(Database& db, const std::string& userId) {
    auto stmt = db.Prepare("SELECT p.id, p.name, up.privileges FROM user_providers up JOIN providers p "
                           "ON p.id = up.provider_id WHERE up.user_id = ? ORDER BY up.ord");
    stmt.Bind(1, userId);
    std::vector<ServedProvider> providers;
    while (stmt.Step()) {
        providers.push_back({stmt.Text(0), stmt.Text(1), stmt.Text(2)});
    }
    return providers;
}

std::vector<std::pair<std::string, std::string>> LocationsOf(Database& db, const std::string& providerId) {
    auto stmt = db.Prepare("SELECT l.id, l.name FROM provider_locations pl JOIN locations l "
                           "ON l.id = pl.location_id WHERE pl.provider_id = ? ORDER BY pl.ord");
    stmt.Bind(1, providerId);
    std::vector<std::pair<std::string, std::string>> locations;
    while (stmt.Step()) {
        locations.emplace_back(stmt.Text(0), stmt.Text(1));
    }
    return locations;
}

std::string ProviderName(Database& db, const std::string& id) {
    auto stmt = db.Prepare("SELECT name FROM providers WHERE id = ?");
    stmt.Bind(1, id);
    return stmt.Step() ? stmt.Text(0) : std::string();
}

std::string LocationName(Database& db, const std::string& id) {
    auto stmt = db.Prepare("SELECT name FROM locations WHERE id = ?");
    stmt.Bind(1, id);
    return stmt.Step() ? stmt.Text(0) : std::string();
}

std::optional<Report> FindReport(Database& db, const std::string& name) {
    auto stmt = db.Prepare(std::string(kReportColumns) + "WHERE name = ?");
    stmt.Bind(1, name);
    if (!stmt.Step()) {
        return std::nullopt;
    }
    return ReadReport(stmt);
}

std::vector<Report> ReportsOfKind(Database& db, const std::string& kind) {
    auto stmt = db.Prepare(std::string(kReportColumns) + "WHERE kind = ? ORDER BY name");
    stmt.Bind(1, kind);
    std::vector<Report> reports;
    while (stmt.Step()) {
        reports.push_back(ReadReport(stmt));
    }
    return reports;
}

std::string PrivilegesFor(Database& db, const std::string& userId, const Report& report) {
    auto own = db.Prepare("SELECT privileges FROM report_privileges WHERE user_id = ? AND report_name = ?");
    own.Bind(1, userId).Bind(2, report.name);
    if (own.Step()) {
        return own.Text(0);
    }
    auto served = db.Prepare("SELECT privileges FROM user_providers WHERE user_id = ? AND provider_id = ?");
    served.Bind(1, userId).Bind(2, report.providerId);
    return served.Step() ? served.Text(0) : std::string();
}

bool Allows(const std::string& privileges, std::size_t position) {
    return position < privileges.size() && privileges[position] == '1';
}

std::vector<std::string> SelectedProperties(Database& db, const std::string& userId) {
    auto stmt =
        db.Prepare("SELECT name FROM custom_properties WHERE user_id = ? AND selected_ord IS NOT NULL "
                   "ORDER BY selected_ord");
    stmt.Bind(1, userId);
    std::vector<std::string> names;
    while (stmt.Step()) {
        names.push_back(stmt.Text(0));
    }
    return names;
}

std::string FieldValue(Database& db, const Report& report, const std::string& name) {
    if (Text::EqualsNoCase(name, kDictationDateTime)) {
        return DateText::StoredToListDateTime(report.dictatedAt);
    }
    if (Text::EqualsNoCase(name, kTranscribedDateTime)) {
        return DateText::StoredToListDateTime(report.transcribedAt);
    }
    if (Text::EqualsNoCase(name, kUploadedDateTime)) {
        return DateText::StoredToListDateTime(report.savedAt);
    }
    auto stmt = db.Prepare("SELECT value FROM report_fields WHERE report_name = ? AND name = ?");
    stmt.Bind(1, report.name).Bind(2, name);
    if (stmt.Step()) {
        return stmt.Text(0);
    }
    if (Text::EqualsNoCase(name, "Location")) {
        return LocationName(db, report.locationId);
    }
    return {};
}

bool SetField(Database& db, const std::string& reportName, const std::string& name,
              const std::string& value) {
    if (Text::EqualsNoCase(name, kDictationDateTime) || Text::EqualsNoCase(name, kTranscribedDateTime) ||
        Text::EqualsNoCase(name, kUploadedDateTime) || Text::EqualsNoCase(name, "Filename")) {
        return false;
    }
    auto update = db.Prepare("UPDATE report_fields SET value = ? WHERE report_name = ? AND name = ?");
    update.Bind(1, value).Bind(2, reportName).Bind(3, name).Run();
    if (db.Changes() == 0) {
        auto insert =
            db.Prepare("INSERT INTO report_fields(report_name, name, value, ord) VALUES(?, ?, ?, "
                       "(SELECT COALESCE(MAX(ord), 0) + 1 FROM report_fields WHERE report_name = ?))");
        insert.Bind(1, reportName).Bind(2, name).Bind(3, value).Bind(4, reportName).Run();
    }
    return true;
}

std::string ActivityIndicator(const Report& report) {
    std::string flags;
    for (const bool flag : {report.opened, report.printed, report.faxed, report.forwarded, report.esigned}) {
        flags += flag ? '1' : '0';
    }
    return flags;
}

std::string DisplayName(const Report& report) {
    if (report.kind == "p" && !report.stat.empty()) {
        return report.name + "{" + report.stat + "}";
    }
    return report.name;
}

std::string JobName(const std::string& text) {
    std::string name = Text::Trim(text);
    const std::size_t open = name.find('{');
    if (open != std::string::npos) {
        const std::size_t close = name.find('}', open);
        name =
            close == std::string::npos ? name.substr(0, open) : name.substr(0, open) + name.substr(close + 1);
    }
    return Text::Trim(name);
}

std::string Unscramble(const std::string& text) {
    std::string out = text;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto byte = static_cast<unsigned char>(out[i]);
        out[i] = static_cast<char>(static_cast<unsigned char>(i % 2 == 0 ? byte - 2 : byte + 2));
    }
    return out;
}

void RecordAudit(Database& db, const std::string& reportName, const std::string& userId,
                 const std::string& event, const std::string& detail) {
    auto stmt =
        db.Prepare("INSERT INTO audit(report_name, at, user_id, event, detail) VALUES(?, ?, ?, ?, ?)");
    stmt.Bind(1, reportName).Bind(2, DateText::Stored(DateText::LocalNow())).Bind(3, userId).Bind(4, event);
    stmt.Bind(5, detail).Run();
}

int KeepVersion(Database& db, const Report& report) {
    auto current = db.Prepare("SELECT document FROM reports WHERE name = ? AND document IS NOT NULL");
    current.Bind(1, report.name);
    if (!current.Step()) {
        return 0;
    }
    const std::string document = current.Blob(0);
    auto next = db.Prepare("SELECT COALESCE(MAX(version), 0) + 1 FROM versions WHERE report_name = ?");
    next.Bind(1, report.name);
    next.Step();
    const int version = static_cast<int>(next.Int(0));
    auto insert = db.Prepare("INSERT INTO versions(report_name, version, transcribed_at, revised_at, "
                             "document) VALUES(?, ?, ?, ?, ?)");
    insert.Bind(1, report.name).Bind(2, static_cast<std::int64_t>(version)).Bind(3, report.transcribedAt);
    insert.Bind(4, report.savedAt.empty() ? report.transcribedAt : report.savedAt)
        .BindBlob(5, document)
        .Run();
    return version;
}

} // namespace Practice
