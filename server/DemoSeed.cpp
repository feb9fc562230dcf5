#include "server/DemoSeed.h"

#include "server/DateText.h"
#include "server/RtfDocument.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct Provider {
    const char* id;
    const char* name;
    const char* signature;
    std::vector<const char*> locations;
};

const std::array<Provider, 3> kProviders{{
    {"12", "Dr. Amelia Hart", "Amelia Hart, MD", {"3", "4"}},
    {"15", "Dr. Rafael Ortiz", "Rafael Ortiz, MD", {"3", "5"}},
    {"18", "Dr. Nina Kowalski", "Nina Kowalski, DO", {"5"}},
}};

const std::array<std::pair<const char*, const char*>, 3> kLocations{{
    {"3", "North Clinic"},
    {"4", "South Clinic"},
    {"5", "East Office"},
}};

struct DemoUser {
    const char* id;
    const char* name;
    const char* role;
    const char* signatureLine;
    // Provider id and the user's six flags for that provider's reports: read and history, print,
    // fax, forward, edit, rename. Varied so that every refusal of the desk can be seen.
    std::vector<std::pair<const char*, const char*>> providers;
};

const std::array<DemoUser, 4> kUsers{{
    {"12",
     "Dr. Amelia Hart",
     "provider",
     "12~Amelia Hart, MD",
     {{"12", "111111"}, {"15", "110000"}, {"18", "110110"}}},
    {"15", "Dr. Rafael Ortiz", "provider", "15~Rafael Ortiz, MD", {{"15", "111111"}}},
    {"18", "Dr. Nina Kowalski", "provider", "18~Nina Kowalski, DO", {{"18", "111111"}}},
    {"90", "Olivia Brandt", "staff", "", {{"12", "111111"}, {"15", "111100"}}},
}};

constexpr const char* kDefaultCustomProperty =
    "FirstName~LastName~DateOfBirth~MRN~ReportType~Location~DateOfVisit~ReferringPhysicianName~";

const std::array<const char*, 7> kSelectedProperties{
    "Dictation Date/Time", "FirstName", "LastName", "DateOfBirth", "MRN", "ReportType", "Location"};
const std::array<const char*, 9> kAvailableProperties{"Transcribed Date/Time",
                                                      "DateOfVisit",
                                                      "ReferringPhysicianName",
                                                      "AttendingPhysicianName",
                                                      "CCDoctorName",
                                                      "CCDoctorName1",
                                                      "SSN",
                                                      "PatientList",
                                                      "Uploaded Date/Time"};

const std::array<const char*, 20> kFirstNames{
    "Jane",   "Marcus", "Priya",   "Tomas", "Helen", "Omar",  "Grace",  "Victor", "Lena",     "Samuel",
    "Ingrid", "Diego",  "Harriet", "Kwame", "Sofia", "Felix", "Margot", "Ravi",   "Beatrice", "Leon"};
const std::array<const char*, 20> kLastNames{"Whitfield", "Okafor",    "Lindqvist", "Moreau",    "Castellano",
                                             "Nakamura",  "Abernathy", "Petrov",    "Delacroix", "Haddad",
                                             "Fairbanks", "Quinlan",   "Sorensen",  "Vasquez",   "Brennan",
                                             "Ashworth",  "Kimura",    "Oyelaran",  "Thornbury", "Gallagher"};
const std::array<const char*, 8> kReportTypes{"Office Visit",         "Consultation",    "Follow-Up Visit",
                                              "History and Physical", "Progress Note",   "Procedure Note",
                                              "Discharge Summary",    "Operative Report"};
const std::array<const char*, 4> kReferring{"Dr. Paul Emerson", "Dr. Chloe Barrington", "Dr. Hugo Lindgren",
                                            "Dr. Maya Sterling"};
const std::array<const char*, 6> kReasons{
    "persistent lower back pain",   "a routine blood pressure check", "shortness of breath on exertion",
    "follow-up of type 2 diabetes", "recurring migraine headaches",   "a painful left knee after a fall"};

struct Contact {
    const char* company;
    const char* first;
    const char* middle;
    const char* last;
    const char* fax;
    const char* email;
    const char* phone;
};

const std::array<Contact, 12> kContacts{{
    {"Lakeside Cardiology", "Paul", "", "Emerson", "(555) 201-4410", "p.emerson@lakeside-cardio.example",
     "(555) 201-4400"},
    {"Harbor Imaging Center", "Chloe", "M", "Barrington", "(555) 318-2290", "reading@harborimaging.example",
     "(555) 318-2200"},
    {"", "Hugo", "", "Lindgren", "(555) 442-7781", "hugo.lindgren@mail.example", ""},
    {"Northgate Orthopedics", "Maya", "R", "Sterling", "(555) 650-1123", "msterling@northgate-ortho.example",
     "(555) 650-1100"},
    {"St. Brigid Hospital", "Records", "", "Office", "(555) 777-0199", "records@stbrigid.example",
     "(555) 777-0100"},
    {"Pinecrest Family Practice", "Aaron", "J", "Whitlock", "(555) 233-9087", "awhitlock@pinecrest.example",
     "(555) 233-9000"},
    {"Riverbend Physical Therapy", "Tessa", "", "Morrow", "(555) 812-3346", "tessa@riverbendpt.example", ""},
    {"Summit Neurology", "Ian", "K", "Falkner", "(555) 909-4512", "ifalkner@summitneuro.example",
     "(555) 909-4500"},
    {"", "Rosa", "", "Delgado", "(555) 124-6678", "rosa.delgado@mail.example", "(555) 124-6600"},
    {"Meridian Health Insurance", "Claims", "", "Department", "(555) 300-5521", "claims@meridian.example",
     "(555) 300-5500"},
    {"Oakview Dermatology", "Nadia", "L", "Petrenko", "(555) 561-7734", "npetrenko@oakviewderm.example",
     "(555) 561-7700"},
    {"Bayside Oncology", "Gregory", "", "Hale", "(555) 478-2209", "ghale@baysideonc.example",
     "(555) 478-2200"},
}};

// The demo's special documents (documented in docs/server.md).
constexpr const char* kRevisedReport = "R260005";  // ends with the revision statement (provider 15)
constexpr const char* kMarkerReport = "R260014";   // e-signed, the marker right before the statement
constexpr const char* kAliasReport = "R260011";    // "_alias" twins of FirstName and LastName
constexpr const char* kSectionsReport = "R260016"; // two sections in the body
constexpr const char* kWord97Report = "R260039";   // stored as Word 97 when LibreOffice can make it
constexpr const char* kEssMarker = "/***ESS***/";

constexpr int kTranscribed = 40;
constexpr int kInLastSixDays = 26;
constexpr int kArchived = 3;
constexpr int kPending = 10;

bool In(int value, std::initializer_list<int> set) {
    for (const int item : set) {
        if (item == value) {
            return true;
        }
    }
    return false;
}

const Provider& ProviderById(const std::string& id) {
    for (const Provider& provider : kProviders) {
        if (id == provider.id) {
            return provider;
        }
    }
    return kProviders[0];
}

const char* LocationName(const std::string& id) {
    for (const auto& [locationId, name] : kLocations) {
        if (id == locationId) {
            return name;
        }
    }
    return "";
}

struct Patient {
    std::string first;
    std::string last;
    std::tm birth{};
    std::string mrn;
};

Patient PatientFor(int i) {
    Patient p;
    p.first = kFirstNames[static_cast<std::size_t>(i % 20)];
    p.last = kLastNames[static_cast<std::size_t>((i * 7 + (i / 20) * 3) % 20)];
    p.birth.tm_year = 1935 + (i * 13) % 70 - 1900;
    p.birth.tm_mon = (i * 5) % 12;
    p.birth.tm_mday = 1 + (i * 11) % 28;
    p.mrn = std::to_string(4100000 + i * 1379);
    return p;
}

std::tm At(const std::tm& today, int daysBack, int minuteOfDay) {
    std::tm t = today;
    t.tm_hour = 0;
    t.tm_min = 0;
    t.tm_sec = 0;
    return DateText::Shifted(t, -daysBack, minuteOfDay);
}

std::vector<std::string> Paragraphs(const Patient& patient, const std::string& type, int i, bool longText) {
    const int age = 2026 - 1900 - patient.birth.tm_year;
    std::vector<std::string> paragraphs{
        "HISTORY OF PRESENT ILLNESS: " + patient.first + " " + patient.last + " is a " + std::to_string(age) +
            "-year-old patient seen today for " + kReasons[static_cast<std::size_t>(i % 6)] +
            ". Symptoms began about " + std::to_string(2 + i % 9) +
            " weeks ago and have been gradual in onset.",
        "PAST MEDICAL HISTORY: Hypertension, controlled. Seasonal allergies. No prior surgeries of note.",
        "MEDICATIONS: Lisinopril 10 mg daily. Cetirizine 10 mg as needed.",
        "ALLERGIES: No known drug allergies.",
        "PHYSICAL EXAMINATION: Blood pressure " + std::to_string(118 + i % 20) + "/" +
            std::to_string(72 + i % 12) + ", pulse " + std::to_string(64 + i % 18) +
            ", temperature 98.4 F. The patient is alert and in no acute distress. Heart and lungs are clear.",
        "ASSESSMENT: " + type + " for " + kReasons[static_cast<std::size_t>(i % 6)] + ", stable.",
        "PLAN: Continue current medications. Follow up in " + std::to_string(2 + i % 6) +
            " weeks or sooner if symptoms worsen.",
    };
    if (longText) {
        for (int k = 1; k <= 60; ++k) {
            paragraphs.push_back(
                "PROGRESS NOTE " + std::to_string(k) +
                ": The patient was reviewed again. Vital signs remained within normal limits, the "
                "medication list was reconciled and no new complaints were reported. Education was "
                "given on diet, exercise and the warning signs that call for an earlier visit.");
        }
    }
    return paragraphs;
}

void InsertAudit(Database& db, const std::string& report, const std::tm& at, const std::string& user,
                 const std::string& event) {
    db.Prepare("INSERT INTO audit(report_name, at, user_id, event, detail) VALUES(?, ?, ?, ?, '')")
        .Bind(1, report)
        .Bind(2, DateText::Stored(at))
        .Bind(3, user)
        .Bind(4, event)
        .Run();
}

void InsertFields(Database& db, const std::string& report,
                  const std::vector<std::pair<std::string, std::string>>& fields) {
    auto stmt = db.Prepare("INSERT INTO report_fields(report_name, name, value, ord) VALUES(?, ?, ?, ?)");
    std::int64_t ord = 1;
    for (const auto& [name, value] : fields) {
        stmt.Reset();
        stmt.Bind(1, report).Bind(2, name).Bind(3, value).Bind(4, ord++).Run();
    }
}

void SeedPracticeAndUsers(Database& db) {
    std::int64_t ord = 1;
    for (const Provider& provider : kProviders) {
        db.Prepare("INSERT INTO providers(id, name, signature, ord) VALUES(?, ?, ?, ?)")
            .Bind(1, provider.id)
            .Bind(2, provider.name)
            .Bind(3, provider.signature)
            .Bind(4, ord++)
            .Run();
        std::int64_t locationOrd = 1;
        for (const char* location : provider.locations) {
            db.Prepare("INSERT INTO provider_locations(provider_id, location_id, ord) VALUES(?, ?, ?)")
                .Bind(1, provider.id)
                .Bind(2, location)
                .Bind(3, locationOrd++)
                .Run();
        }
    }
    for (const auto& [id, name] : kLocations) {
        db.Prepare("INSERT INTO locations(id, name) VALUES(?, ?)").Bind(1, id).Bind(2, name).Run();
    }
    ord = 1;
    for (const DemoUser& user : kUsers) {
        db.Prepare("INSERT INTO users(id, name, role, signature_line, print_privilege, "
                   "default_custom_property, ord) "
                   "VALUES(?, ?, ?, ?, '1', ?, ?)")
            .Bind(1, user.id)
            .Bind(2, user.name)
            .Bind(3, user.role)
            .Bind(4, user.signatureLine)
            .Bind(5, kDefaultCustomProperty)
            .Bind(6, ord++)
            .Run();
        std::int64_t providerOrd = 1;
        for (const auto& [provider, privileges] : user.providers) {
            db.Prepare("INSERT INTO user_providers(user_id, provider_id, ord, privileges) VALUES(?, ?, ?, ?)")
                .Bind(1, user.id)
                .Bind(2, provider)
                .Bind(3, providerOrd++)
                .Bind(4, privileges)
                .Run();
        }
        std::int64_t catalog = 1;
        std::int64_t selected = 1;
        for (const char* name : kSelectedProperties) {
            db.Prepare("INSERT INTO custom_properties(user_id, name, catalog_ord, selected_ord) VALUES(?, ?, "
                       "?, ?)")
                .Bind(1, user.id)
                .Bind(2, name)
                .Bind(3, catalog++)
                .Bind(4, selected++)
                .Run();
        }
        for (const char* name : kAvailableProperties) {
            db.Prepare("INSERT INTO custom_properties(user_id, name, catalog_ord) VALUES(?, ?, ?)")
                .Bind(1, user.id)
                .Bind(2, name)
                .Bind(3, catalog++)
                .Run();
        }
    }
    // A report another provider keeps closed, and one of the demo user's own that may not be printed.
    db.Exec(
        "INSERT INTO report_privileges(user_id, report_name, privileges) VALUES('12', 'R260002', '000000'), "
        "('12', 'R260003', '101111')");
    std::int64_t key = 101;
    for (const Contact& c : kContacts) {
        db.Prepare(
              "INSERT INTO address_book(key, company, first, middle, last, fax, email, phone, changed_by) "
              "VALUES(?, ?, ?, ?, ?, ?, ?, ?, 'seed')")
            .Bind(1, key++)
            .Bind(2, c.company)
            .Bind(3, c.first)
            .Bind(4, c.middle)
            .Bind(5, c.last)
            .Bind(6, c.fax)
            .Bind(7, c.email)
            .Bind(8, c.phone)
            .Run();
    }
}

void SeedTranscribed(Database& db, const std::tm& today, int i, const std::string& name, int daysBack,
                     bool archived) {
    static constexpr std::array<const char*, 10> kProviderPattern{"12", "15", "12", "18", "15",
                                                                  "12", "15", "18", "12", "15"};
    const Provider& provider = ProviderById(kProviderPattern[static_cast<std::size_t>(i % 10)]);
    const std::string location =
        provider.locations[static_cast<std::size_t>((i / 3) % provider.locations.size())];
    const Patient patient = PatientFor(i);
    const std::string type = kReportTypes[static_cast<std::size_t>(i % 8)];
    const std::tm transcribed = At(today, daysBack, 8 * 60 + (i * 47) % 540);
    const std::tm dictated = At(today, daysBack + 1, 15 * 60 + (i * 13) % 120);
    const bool esigned = !archived && In(i, {0, 4, 8, 13, 21, 30});
    const bool versions = !archived && In(i, {0, 3, 9, 16});
    const bool longText = In(i, {2, 7, 11});
    const std::tm saved = DateText::Shifted(transcribed, 0, versions ? 180 : 0);

    std::vector<std::pair<std::string, std::string>> fields{
        {"FirstName", patient.first},
        {"LastName", patient.last},
        {"DateOfBirth", DateText::ListDate(patient.birth)},
        {"MRN", patient.mrn},
        {"ReportType", type},
        {"Location", LocationName(location)},
        {"DateOfVisit", DateText::ListDate(dictated)},
        {"ReferringPhysicianName", kReferring[static_cast<std::size_t>(i % 4)]},
        {"AttendingPhysicianName", provider.name},
        {"SSN", "XXX-XX-" + std::to_string(1000 + (i * 337) % 9000)},
    };
    RtfReport report;
    report.title = type;
    report.properties = fields;
    report.properties.emplace_back("Dictation Date/Time", DateText::ListDateTime(dictated));
    report.headerLines = {
        {"Patient first name", "FirstName"}, {"Patient last name", "LastName"},
        {"Date of birth", "DateOfBirth"},    {"MRN", "MRN"},
        {"Report type", "ReportType"},       {"Location", "Location"},
        {"Date of visit", "DateOfVisit"},    {"Referring physician", "ReferringPhysicianName"}};
    report.paragraphs = Paragraphs(patient, type, i, longText);
    if (versions) {
        // Two earlier versions: the first draft and a corrected one.
        RtfReport draft = report;
        draft.paragraphs.resize(4);
        for (int v = 1; v <= 2; ++v) {
            db.Prepare("INSERT INTO versions(report_name, version, transcribed_at, revised_at, document) "
                       "VALUES(?, ?, ?, ?, ?)")
                .Bind(1, name)
                .Bind(2, static_cast<std::int64_t>(v))
                .Bind(3, DateText::Stored(transcribed))
                .Bind(4, DateText::Stored(DateText::Shifted(transcribed, 0, (v - 1) * 90)))
                .BindBlob(5, BuildRtf(v == 1 ? draft : report))
                .Run();
        }
    }
    const std::tm signedAt = DateText::Shifted(saved, 0, 45);
    if (esigned) {
        report.statement = EsignStatement(provider.signature, DateText::StatementDate(signedAt));
    }
    // Documents the document actions must cope with, on reports of their own.
    if (name == kRevisedReport) {
        report.statement = RevisionStatement(provider.signature, DateText::StatementDate(signedAt));
    } else if (name == kMarkerReport) {
        report.paragraphs.emplace_back(kEssMarker);
    } else if (name == kAliasReport) {
        report.properties.emplace_back("FirstName_alias", patient.first);
        report.properties.emplace_back("LastName_alias", patient.last);
        report.headerLines.emplace_back("Patient (as dictated)", "LastName_alias");
        report.headerLines.emplace_back("First name (as dictated)", "FirstName_alias");
    } else if (name == kSectionsReport) {
        report.newSectionAfter = 4;
    }
    db.Prepare(
          "INSERT INTO reports(name, kind, provider_id, location_id, dictated_at, transcribed_at, saved_at, "
          "opened, printed, faxed, forwarded, esigned, archived, document) "
          "VALUES(?, 't', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .Bind(1, name)
        .Bind(2, provider.id)
        .Bind(3, location)
        .Bind(4, DateText::Stored(dictated))
        .Bind(5, DateText::Stored(transcribed))
        .Bind(6, DateText::Stored(esigned ? signedAt : saved))
        .Bind(7, static_cast<std::int64_t>(esigned || i % 3 == 0))
        .Bind(8, static_cast<std::int64_t>(i % 4 == 1))
        .Bind(9, static_cast<std::int64_t>(i % 7 == 2))
        .Bind(10, static_cast<std::int64_t>(i % 9 == 4))
        .Bind(11, static_cast<std::int64_t>(esigned))
        .Bind(12, static_cast<std::int64_t>(archived))
        .BindBlob(13, BuildRtf(report))
        .Run();
    InsertFields(db, name, fields);
    InsertAudit(db, name, dictated, provider.id, "Dictated");
    InsertAudit(db, name, transcribed, "transcription", "Transcribed");
    if (esigned) {
        InsertAudit(db, name, signedAt, provider.id, "E-signed");
    }
}

void SeedPending(Database& db, const std::tm& today, int k) {
    static constexpr std::array<const char*, kPending> kProviderPattern{"12", "12", "15", "18", "12",
                                                                        "15", "12", "18", "15", "12"};
    const Provider& provider = ProviderById(kProviderPattern[static_cast<std::size_t>(k)]);
    const std::string name = "J2601" + std::string(k + 1 < 10 ? "0" : "") + std::to_string(k + 1);
    const Patient patient = PatientFor(kTranscribed + kArchived + k);
    const std::tm dictated = At(today, k % 4, 7 * 60 + 30 + k * 41);
    const char* stat = k == 2 ? "STAT4" : (k == 6 ? "STAT12" : "");
    db.Prepare("INSERT INTO reports(name, kind, provider_id, location_id, dictated_at, stat) "
               "VALUES(?, 'p', ?, ?, ?, ?)")
        .Bind(1, name)
        .Bind(2, provider.id)
        .Bind(3, provider.locations.front())
        .Bind(4, DateText::Stored(dictated))
        .Bind(5, stat)
        .Run();
    InsertFields(db, name,
                 {{"FirstName", patient.first},
                  {"LastName", patient.last},
                  {"DateOfBirth", DateText::ListDate(patient.birth)},
                  {"MRN", patient.mrn},
                  {"Location", LocationName(provider.locations.front())}});
    InsertAudit(db, name, dictated, provider.id, "Dictated");
}

} // namespace

void SeedDemo(Database& db, const std::tm& today) {
    Transaction transaction(db);
    SeedPracticeAndUsers(db);
    for (int i = 0; i < kTranscribed; ++i) {
        const int daysBack = i < kInLastSixDays ? i % 6 : 6 + (i - kInLastSixDays);
        SeedTranscribed(db, today, i, "R2600" + std::string(i + 1 < 10 ? "0" : "") + std::to_string(i + 1),
                        daysBack, false);
    }
    for (int a = 0; a < kArchived; ++a) {
        SeedTranscribed(db, today, kTranscribed + a, "R2600" + std::to_string(kTranscribed + a + 1),
                        45 + a * 7, true);
    }
    for (int k = 0; k < kPending; ++k) {
        SeedPending(db, today, k);
    }
    db.Exec("INSERT INTO meta(key, value) VALUES('default_user', '12'), ('seed', 'demo')");
    transaction.Commit();
}

namespace {

constexpr std::string_view kWord97Magic{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};
constexpr std::uintmax_t kMaxDocumentBytes = 16u * 1024u * 1024u;
constexpr int kConvertTimeoutMs = 120000;

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string rest = path != nullptr ? path : "";
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t end = std::min(rest.find(':', start), rest.size());
        const std::string dir = rest.substr(start, end - start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxDocumentBytes) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return in.bad() ? std::nullopt : std::optional<std::string>(bytes);
}

bool IsWord97(const std::optional<std::string>& bytes) {
    return bytes && bytes->compare(0, kWord97Magic.size(), kWord97Magic) == 0;
}

// Runs soffice to turn rtf into a Word 97 file in dir; its output goes nowhere, so the server's
// start-up lines stay readable. Bounded in time.
bool Convert(const std::string& soffice, const std::filesystem::path& rtf, const std::filesystem::path& dir) {
    const std::string profile = "-env:UserInstallation=file://" + (dir / "profile").string();
    std::vector<std::string> args{soffice,          "--headless", profile,    "--convert-to",
                                  "doc:MS Word 97", rtf.string(), "--outdir", dir.string()};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The server blocks its stop signals for sigwait; the converter must not inherit that.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, soffice.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        return false;
    }
    int status = 0;
    for (int waited = 0; waited < kConvertTimeoutMs; waited += 50) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return false;
}

std::string Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

std::string AddWord97Report(Database& db, const std::string& dataDir) {
    const std::string leftOut = std::string("demo: ") + kWord97Report + " stays RTF: ";
    const std::string soffice = FindOnPath("soffice");
    if (soffice.empty()) {
        return leftOut + "soffice is not on PATH, so no Word 97 document was made";
    }
    auto stmt = db.Prepare("SELECT document FROM reports WHERE name = ?");
    stmt.Bind(1, kWord97Report);
    if (!stmt.Step()) {
        return leftOut + "the report is missing";
    }
    const std::string rtf = stmt.Blob(0);
    // A conversion costs seconds; the same document (same day) is made once per machine.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path cacheDir = fs::temp_directory_path(ec) / "velmo-report-server-word97";
    const fs::path cached = cacheDir / (Fnv1a(rtf) + ".doc");
    std::optional<std::string> word = ReadSmallFile(cached);
    if (!IsWord97(word)) {
        const fs::path work = fs::path(dataDir) / "word97";
        fs::create_directories(work, ec);
        const fs::path source = work / (std::string(kWord97Report) + ".rtf");
        std::ofstream(source, std::ios::binary) << rtf;
        if (!Convert(soffice, source, work)) {
            return leftOut + "soffice could not convert it";
        }
        word = ReadSmallFile(work / (std::string(kWord97Report) + ".doc"));
        if (!IsWord97(word)) {
            return leftOut + "soffice wrote no Word 97 file";
        }
        fs::create_directories(cacheDir, ec);
        const fs::path temporary = cacheDir / (Fnv1a(rtf) + "." + std::to_string(::getpid()) + ".tmp");
        std::ofstream(temporary, std::ios::binary) << *word;
        fs::rename(temporary, cached, ec);
    }
    db.Prepare("UPDATE reports SET document = ? WHERE name = ?")
        .BindBlob(1, *word)
        .Bind(2, kWord97Report)
        .Run();
    return std::string("demo: ") + kWord97Report + " is stored as a Word 97 document";
}
