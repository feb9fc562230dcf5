#include "server/SeedReports.h"

#include "server/DateText.h"
#include "server/RtfDocument.h"

#include <optional>

namespace {

constexpr std::uintmax_t kMaxDocumentBytes = 16u * 1024u * 1024u;
constexpr int kMaxDaysBack = 36500;

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The three times of a report; a seed names them "dictated", "transcribed" and "saved".
struct ReportTimes {
    std::tm dictated{};
    std::tm transcribed{};
    std::tm saved{};

    const std::tm& Named(const std::string& which, const std::string& report) const {
        if (which == "dictated") {
            return dictated;
        }
        if (which == "transcribed") {
            return transcribed;
        }
        if (which == "saved") {
            return saved;
        }
        throw SeedError("report " + report + ": " + which + " is not dictated, transcribed or saved");
    }
};

int DaysBack(const SeedJson& object, const std::string& report) {
    const int daysBack = SeedNumber(object, "daysBack", 0);
    if (daysBack < 0 || daysBack > kMaxDaysBack) {
        throw SeedError("report " + report + ": daysBack out of range");
    }
    return daysBack;
}

// {"daysBack": N, "time": "HH:MM"}: that time of the day N days before today.
std::tm TimeOf(const SeedJson& value, const std::tm& midnight, const std::string& report) {
    if (!value.is_object()) {
        throw SeedError("report " + report + R"(: a time is {"daysBack": N, "time": "HH:MM"})");
    }
    const std::string time = SeedText(value, "time", "00:00");
    const auto digit = [&time](std::size_t i) { return time[i] >= '0' && time[i] <= '9'; };
    if (time.size() != 5 || time[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
        throw SeedError("report " + report + ": a time of day is HH:MM");
    }
    const int hours = (time[0] - '0') * 10 + (time[1] - '0');
    const int minutes = (time[3] - '0') * 10 + (time[4] - '0');
    if (hours > 23 || minutes > 59) {
        throw SeedError("report " + report + ": " + time + " is not a time of day");
    }
    return DateText::Shifted(midnight, -DaysBack(value, report), hours * 60 + minutes);
}

// Without times of its own a report was dictated the day before (a pending one: that day) at
// 8:00 and transcribed and saved daysBack days before today at 9:00.
ReportTimes TimesOf(const SeedJson& row, const std::string& name, bool transcribed, const std::tm& midnight) {
    const int daysBack = DaysBack(row, name);
    ReportTimes times;
    times.transcribed = row.contains("transcribed") ? TimeOf(row.at("transcribed"), midnight, name)
                                                    : DateText::Shifted(midnight, -daysBack, 9 * 60);
    times.dictated = row.contains("dictated")
                         ? TimeOf(row.at("dictated"), midnight, name)
                         : DateText::Shifted(midnight, -daysBack - (transcribed ? 1 : 0), 8 * 60);
    times.saved = row.contains("saved") ? TimeOf(row.at("saved"), midnight, name) : times.transcribed;
    return times;
}

// A field or property value: a text, or {"dateOf": TIME} / {"dateTimeOf": TIME} for one of the
// report's times as the lists write it, so that a value can follow the seed's day.
std::string ValueOf(const SeedJson& value, const ReportTimes& times, const std::string& report) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_object() && value.size() == 1 && value.contains("dateOf")) {
        return DateText::ListDate(times.Named(SeedText(value, "dateOf"), report));
    }
    if (value.is_object() && value.size() == 1 && value.contains("dateTimeOf")) {
        return DateText::ListDateTime(times.Named(SeedText(value, "dateTimeOf"), report));
    }
    throw SeedError("report " + report + R"(: a value is a text, {"dateOf": ...} or {"dateTimeOf": ...})");
}

Pairs ValuesOf(const SeedJson& object, const char* key, const ReportTimes& times, const std::string& report) {
    Pairs values;
    const SeedJson& items = SeedItems(object, key);
    if (!items.is_object() && !items.empty()) {
        throw SeedError("report " + report + ": " + key + " maps names to values");
    }
    for (auto it = items.begin(); it != items.end(); ++it) {
        values.emplace_back(it.key(), ValueOf(*it, times, report));
    }
    return values;
}

// [["label", "property"], ...]
Pairs HeaderLinesOf(const SeedJson& lines, const std::string& report) {
    Pairs pairs;
    if (!lines.is_array() || lines.size() > kMaxSeedItems) {
        throw SeedError("report " + report + ": headerLines is a list of [label, property]");
    }
    for (const SeedJson& line : lines) {
        if (!line.is_array() || line.size() != 2 || !line[0].is_string() || !line[1].is_string()) {
            throw SeedError("report " + report + ": a header line is [label, property]");
        }
        pairs.emplace_back(line[0].get<std::string>(), line[1].get<std::string>());
    }
    return pairs;
}

// Each paragraph is a text, or {"repeat": N, "text": "... {n} ..."} for N numbered ones.
std::vector<std::string> ParagraphsOf(const SeedJson& document, const std::string& report) {
    std::vector<std::string> paragraphs;
    for (const SeedJson& item : SeedItems(document, "paragraphs")) {
        if (item.is_string()) {
            paragraphs.push_back(item.get<std::string>());
            continue;
        }
        if (!item.is_object()) {
            throw SeedError("report " + report + R"(: a paragraph is a text or {"repeat": N, "text": ...})");
        }
        const int count = SeedNumber(item, "repeat", 1);
        if (count < 1 || paragraphs.size() + static_cast<std::size_t>(count) > kMaxSeedItems) {
            throw SeedError("report " + report + ": repeat out of range");
        }
        const std::string text = SeedText(item, "text");
        for (int n = 1; n <= count; ++n) {
            std::string paragraph = text;
            for (std::size_t at = paragraph.find("{n}"); at != std::string::npos;
                 at = paragraph.find("{n}", at + 1)) {
                paragraph.replace(at, 3, std::to_string(n));
            }
            paragraphs.push_back(std::move(paragraph));
        }
    }
    return paragraphs;
}

std::string SignatureOf(Database& db, const std::string& provider) {
    auto stmt = db.Prepare("SELECT signature FROM providers WHERE id = ?");
    stmt.Bind(1, provider);
    return stmt.Step() ? stmt.Text(0) : std::string();
}

// A "document" object, built as RTF: the report's fields then extraProperties as properties,
// headerLines (the seed's own when the document has none; else one line per field), paragraphs,
// an optional section break, and the statement "esign" or "revision" signed by the report's
// provider at its saved time.
RtfReport DocumentOf(Database& db, const SeedJson& seed, const SeedJson& document,
                     const std::string& provider, const Pairs& fields, const ReportTimes& times,
                     const std::string& report) {
    RtfReport rtf;
    rtf.title = SeedText(document, "title", "Report");
    rtf.properties = fields;
    for (auto& property : ValuesOf(document, "extraProperties", times, report)) {
        rtf.properties.push_back(std::move(property));
    }
    if (document.contains("headerLines")) {
        rtf.headerLines = HeaderLinesOf(document.at("headerLines"), report);
    } else if (seed.contains("headerLines")) {
        rtf.headerLines = HeaderLinesOf(seed.at("headerLines"), report);
    } else {
        for (const auto& [field, value] : fields) {
            rtf.headerLines.emplace_back(field, field);
        }
    }
    rtf.paragraphs = ParagraphsOf(document, report);
    const int sectionAfter = SeedNumber(document, "newSectionAfter", 0);
    if (sectionAfter < 0) {
        throw SeedError("report " + report + ": newSectionAfter out of range");
    }
    rtf.newSectionAfter = static_cast<std::size_t>(sectionAfter);
    const std::string statement = SeedText(document, "statement");
    const std::string date = DateText::StatementDate(times.saved);
    if (statement == "esign") {
        rtf.statement = EsignStatement(SignatureOf(db, provider), date);
    } else if (statement == "revision") {
        rtf.statement = RevisionStatement(SignatureOf(db, provider), date);
    } else if (!statement.empty()) {
        throw SeedError("report " + report + ": statement is esign or revision");
    }
    return rtf;
}

// "versions": earlier versions 1, 2, ... of a built document, each without the statement and, with
// "paragraphs": N, only its first N paragraphs; revised at "revised" (default: transcribed).
void SeedVersions(Database& db, const SeedJson& row, const std::optional<RtfReport>& built,
                  const std::string& name, const ReportTimes& times, const std::tm& midnight) {
    const SeedJson& versions = SeedItems(row, "versions");
    if (!versions.empty() && !built) {
        throw SeedError("report " + name + ": versions need a document object");
    }
    std::int64_t number = 1;
    for (const SeedJson& version : versions) {
        RtfReport earlier = *built;
        earlier.statement.clear();
        const int paragraphs = SeedNumber(version, "paragraphs", static_cast<int>(earlier.paragraphs.size()));
        if (paragraphs < 0) {
            throw SeedError("report " + name + ": a version's paragraphs out of range");
        }
        earlier.paragraphs.resize(std::min(earlier.paragraphs.size(), static_cast<std::size_t>(paragraphs)));
        const std::tm revised =
            version.contains("revised") ? TimeOf(version.at("revised"), midnight, name) : times.transcribed;
        db.Prepare("INSERT INTO versions(report_name, version, transcribed_at, revised_at, document) "
                   "VALUES(?, ?, ?, ?, ?)")
            .Bind(1, name)
            .Bind(2, number++)
            .Bind(3, DateText::Stored(times.transcribed))
            .Bind(4, DateText::Stored(revised))
            .BindBlob(5, BuildRtf(earlier))
            .Run();
    }
}

// "audit": [{"at": TIME, "user": ID, "event": TEXT, "detail": TEXT}], TIME one of the report's.
void SeedAudit(Database& db, const SeedJson& row, const std::string& name, const ReportTimes& times) {
    for (const SeedJson& event : SeedItems(row, "audit")) {
        db.Prepare("INSERT INTO audit(report_name, at, user_id, event, detail) VALUES(?, ?, ?, ?, ?)")
            .Bind(1, name)
            .Bind(2, DateText::Stored(times.Named(SeedText(event, "at"), name)))
            .Bind(3, SeedText(event, "user"))
            .Bind(4, SeedText(event, "event"))
            .Bind(5, SeedText(event, "detail"))
            .Run();
    }
}

// What the rest of a report's seeding reads from its row.
struct ReportRow {
    std::string name;
    std::string kind; // t or p
    std::string provider;
    ReportTimes times;
    Pairs fields;
};

struct SeededDocument {
    std::string bytes;              // empty: none (a pending dictation)
    std::optional<RtfReport> built; // when the server built it, for the versions
};

// A file beside the seed, a document object, a text as given, or for a transcribed report
// without any: a small RTF holding its fields.
SeededDocument DocumentFor(Database& db, const SeedJson& seed, const SeedJson& row, const ReportRow& report,
                           const std::filesystem::path& folder) {
    SeededDocument document;
    if (row.contains("documentFile")) {
        document.bytes = ReadSeedFile(folder / SeedText(row, "documentFile"), kMaxDocumentBytes);
    } else if (row.contains("document") && row.at("document").is_object()) {
        document.built = DocumentOf(db, seed, row.at("document"), report.provider, report.fields,
                                    report.times, report.name);
        document.bytes = BuildRtf(*document.built);
    } else if (row.contains("document")) {
        document.bytes = SeedText(row, "document");
    } else if (report.kind == "t") {
        RtfReport rtf;
        rtf.title = SeedText(row, "title", "Report");
        rtf.properties = report.fields;
        for (const auto& [field, value] : report.fields) {
            rtf.headerLines.emplace_back(field, field);
        }
        rtf.paragraphs = {"Report text of " +
                          (report.name.empty() ? std::string("an unnamed report") : report.name) + "."};
        document.bytes = BuildRtf(rtf);
    }
    return document;
}

void InsertReport(Database& db, const SeedJson& row, const ReportRow& report, const std::string& document) {
    auto insert = db.Prepare("INSERT INTO reports(name, kind, provider_id, location_id, dictated_at, "
                             "transcribed_at, saved_at, "
                             "opened, printed, faxed, forwarded, esigned, stat, archived, document) "
                             "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, report.name)
        .Bind(2, report.kind)
        .Bind(3, report.provider)
        .Bind(4, SeedText(row, "location"));
    insert.Bind(5, DateText::Stored(report.times.dictated));
    if (report.kind == "t") {
        insert.Bind(6, DateText::Stored(report.times.transcribed))
            .Bind(7, DateText::Stored(report.times.saved));
    } else {
        insert.BindNull(6).BindNull(7);
    }
    insert.Bind(8, static_cast<std::int64_t>(SeedFlag(row, "opened")))
        .Bind(9, static_cast<std::int64_t>(SeedFlag(row, "printed")))
        .Bind(10, static_cast<std::int64_t>(SeedFlag(row, "faxed")))
        .Bind(11, static_cast<std::int64_t>(SeedFlag(row, "forwarded")))
        .Bind(12, static_cast<std::int64_t>(SeedFlag(row, "esigned")))
        .Bind(13, SeedText(row, "stat"))
        .Bind(14, static_cast<std::int64_t>(SeedFlag(row, "archived")));
    if (document.empty()) {
        insert.BindNull(15);
    } else {
        insert.BindBlob(15, document);
    }
    insert.Run();
}

// The report's fields in order, and the flags single users have for it.
void InsertFieldsAndPrivileges(Database& db, const SeedJson& row, const ReportRow& report) {
    std::int64_t ord = 1;
    for (const auto& [field, value] : report.fields) {
        db.Prepare("INSERT INTO report_fields(report_name, name, value, ord) VALUES(?, ?, ?, ?)")
            .Bind(1, report.name)
            .Bind(2, field)
            .Bind(3, value)
            .Bind(4, ord++)
            .Run();
    }
    for (const auto& [user, privileges] : SeedPairs(row, "privileges")) {
        db.Prepare("INSERT INTO report_privileges(user_id, report_name, privileges) VALUES(?, ?, ?)")
            .Bind(1, user)
            .Bind(2, report.name)
            .Bind(3, privileges)
            .Run();
    }
}

void SeedReport(Database& db, const SeedJson& seed, const SeedJson& row, const std::tm& midnight,
                const std::filesystem::path& folder) {
    ReportRow report;
    report.name = SeedText(row, "name");
    report.kind = SeedText(row, "kind", "t");
    if (report.kind != "t" && report.kind != "p") {
        throw SeedError("report " + report.name + ": kind is t or p");
    }
    report.provider = SeedText(row, "provider");
    report.times = TimesOf(row, report.name, report.kind == "t", midnight);
    report.fields = ValuesOf(row, "fields", report.times, report.name);
    const SeededDocument document = DocumentFor(db, seed, row, report, folder);
    InsertReport(db, row, report, document.bytes);
    InsertFieldsAndPrivileges(db, row, report);
    SeedVersions(db, row, document.built, report.name, report.times, midnight);
    SeedAudit(db, row, report.name, report.times);
}

} // namespace

void SeedReports(Database& db, const SeedJson& seed, const std::tm& today,
                 const std::filesystem::path& folder) {
    std::tm midnight = today;
    midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
    for (const SeedJson& row : SeedItems(seed, "reports")) {
        SeedReport(db, seed, row, midnight, folder);
    }
}
