#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One prepared statement; columns and parameters are 0- and 1-based as in SQLite.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;

    Statement& Bind(int index, std::string_view text);
    Statement& Bind(int index, std::int64_t value);
    Statement& BindBlob(int index, std::string_view bytes);
    Statement& BindNull(int index);

    // Runs one step; true while it yields a row.
    bool Step();
    // Runs to the end, ignoring rows.
    void Run();
    void Reset();

    std::string Text(int column) const;
    std::int64_t Int(int column) const;
    std::string Blob(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// The server's state: one SQLite file in the data folder, used under the caller's lock.
class Database {
public:
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Exec(std::string_view sql);
    Statement Prepare(std::string_view sql);
    int Changes() const;

    // Creates the tables when they are missing.
    void CreateSchema();
    bool IsEmpty();

private:
    sqlite3* db_ = nullptr;
};

// Commits at Commit(), rolls back when left without it.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& db_;
    bool done_ = false;
};

// One read of many statements: SQLite takes its locks once for all of them rather than once per
// statement (on a 1,000-row list, thousands of lock calls). Ends when it leaves scope.
class ReadTransaction {
public:
    explicit ReadTransaction(Database& db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Database& db_;
};
