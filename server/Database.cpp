#include "server/Database.h"

#include <sqlite3.h>

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS providers(id TEXT PRIMARY KEY COLLATE NOCASE, name TEXT NOT NULL,
  signature TEXT NOT NULL DEFAULT '', ord INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS locations(id TEXT PRIMARY KEY COLLATE NOCASE, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS provider_locations(provider_id TEXT NOT NULL COLLATE NOCASE,
  location_id TEXT NOT NULL COLLATE NOCASE, ord INTEGER NOT NULL, PRIMARY KEY(provider_id, location_id));
CREATE TABLE IF NOT EXISTS users(id TEXT PRIMARY KEY COLLATE NOCASE, name TEXT NOT NULL,
  role TEXT NOT NULL, signature_line TEXT NOT NULL DEFAULT '', print_privilege TEXT NOT NULL DEFAULT '1',
  default_custom_property TEXT NOT NULL DEFAULT '', ord INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS user_providers(user_id TEXT NOT NULL COLLATE NOCASE,
  provider_id TEXT NOT NULL COLLATE NOCASE, ord INTEGER NOT NULL, privileges TEXT NOT NULL,
  PRIMARY KEY(user_id, provider_id));
CREATE TABLE IF NOT EXISTS reports(name TEXT PRIMARY KEY COLLATE NOCASE, kind TEXT NOT NULL,
  provider_id TEXT NOT NULL COLLATE NOCASE, location_id TEXT NOT NULL COLLATE NOCASE,
  dictated_at TEXT NOT NULL, transcribed_at TEXT, saved_at TEXT,
  opened INTEGER NOT NULL DEFAULT 0, printed INTEGER NOT NULL DEFAULT 0, faxed INTEGER NOT NULL DEFAULT 0,
  forwarded INTEGER NOT NULL DEFAULT 0, esigned INTEGER NOT NULL DEFAULT 0,
  stat TEXT NOT NULL DEFAULT '', archived INTEGER NOT NULL DEFAULT 0, document BLOB, audio BLOB);
CREATE TABLE IF NOT EXISTS report_fields(report_name TEXT NOT NULL COLLATE NOCASE,
  name TEXT NOT NULL COLLATE NOCASE, value TEXT NOT NULL, ord INTEGER NOT NULL,
  PRIMARY KEY(report_name, name));
CREATE TABLE IF NOT EXISTS report_privileges(user_id TEXT NOT NULL COLLATE NOCASE,
  report_name TEXT NOT NULL COLLATE NOCASE, privileges TEXT NOT NULL, PRIMARY KEY(user_id, report_name));
CREATE TABLE IF NOT EXISTS versions(report_name TEXT NOT NULL COLLATE NOCASE, version INTEGER NOT NULL,
  transcribed_at TEXT NOT NULL, revised_at TEXT NOT NULL, document BLOB NOT NULL,
  PRIMARY KEY(report_name, version));
CREATE TABLE IF NOT EXISTS address_book(key INTEGER PRIMARY KEY, company TEXT NOT NULL, first TEXT NOT NULL,
  middle TEXT NOT NULL, last TEXT NOT NULL, fax TEXT NOT NULL, email TEXT NOT NULL, phone TEXT NOT NULL,
  changed_by TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS custom_properties(user_id TEXT NOT NULL COLLATE NOCASE,
  name TEXT NOT NULL COLLATE NOCASE, catalog_ord INTEGER NOT NULL, selected_ord INTEGER,
  PRIMARY KEY(user_id, name));
CREATE TABLE IF NOT EXISTS fax_queue(id INTEGER PRIMARY KEY, report_name TEXT NOT NULL,
  recipient_key TEXT NOT NULL, recipient_label TEXT NOT NULL, fax TEXT NOT NULL, login_id TEXT NOT NULL,
  queued_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS audit(id INTEGER PRIMARY KEY, report_name TEXT NOT NULL COLLATE NOCASE,
  at TEXT NOT NULL, user_id TEXT NOT NULL, event TEXT NOT NULL, detail TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS audit_report ON audit(report_name);
)sql";

} // namespace

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
        throw DatabaseError(std::string("prepare failed: ") + sqlite3_errmsg(db_));
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

Statement& Statement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
    sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindNull(int index) {
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    throw DatabaseError(std::string("step failed: ") + sqlite3_errmsg(db_));
}

void Statement::Run() {
    while (Step()) {
    }
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string Statement::Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                : std::string();
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Blob(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string();
}

Database::Database(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DatabaseError("cannot open " + path + ": " + message);
    }
    // A stand-in server: durability against power loss is not worth start-up time.
    Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;");
}

Database::~Database() {
    sqlite3_close(db_);
}

void Database::Exec(std::string_view sql) {
    char* message = nullptr;
    const std::string text(sql);
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string error = message ? message : "unknown error";
        sqlite3_free(message);
        throw DatabaseError("exec failed: " + error);
    }
}

Statement Database::Prepare(std::string_view sql) {
    return Statement(db_, sql);
}

int Database::Changes() const {
    return sqlite3_changes(db_);
}

void Database::CreateSchema() {
    Exec(kSchema);
}

bool Database::IsEmpty() {
    auto stmt = Prepare("SELECT COUNT(*) FROM users");
    return !stmt.Step() || stmt.Int(0) == 0;
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.Exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!done_) {
        try {
            db_.Exec("ROLLBACK");
        } catch (const DatabaseError&) {
            // Nothing more can be done while unwinding.
        }
    }
}

void Transaction::Commit() {
    db_.Exec("COMMIT");
    done_ = true;
}

ReadTransaction::ReadTransaction(Database& db) : db_(db) {
    db_.Exec("BEGIN DEFERRED");
}

ReadTransaction::~ReadTransaction() {
    try {
        db_.Exec("COMMIT");
    } catch (const DatabaseError&) {
        // A read-only COMMIT has nothing to write; nothing more can be done while unwinding.
    }
}
