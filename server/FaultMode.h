#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

// Ways the server misbehaves on purpose, for the desk's fault tests (--fault MODE). They apply to
// the scripts' answers only; the host page and the transfer facilities always behave.
enum class FaultMode {
    None,
    Slow,      // the body trickles out in small pieces
    Drop,      // Content-Length announced, half the body sent, connection closed
    Status500, // every script answers 500
    NoLength,  // no Content-Length: the body comes chunked
    Asterisk,  // every zipped list is replaced by a "*"-enclosed sentence
    BadZip,    // zipped answers are cut short, so they are no archive
    ZipSlip,   // zipped answers hold one entry named "../../escape.txt"
    BigHeader, // a 64 KiB header line comes with every answer
    Refuse,    // 200 with a sentence and no "~": the script said no
    Empty,     // 200 with an empty body
    ProxyAuth, // 407: a proxy wants credentials
};

std::optional<FaultMode> ParseFaultMode(const std::string& text);

// The faults in force: one for every script (from --fault, or set while running) and one per
// script name (without regard to case), which wins over it. Changed by the control requests.
class FaultTable {
public:
    explicit FaultTable(FaultMode all) : all_(all) {}
    void Set(const std::string& script, FaultMode mode); // empty script: every script
    void Clear(const std::string& script);               // empty script: every fault
    FaultMode For(const std::string& script) const;

private:
    mutable std::mutex mutex_;
    FaultMode all_;
    std::map<std::string, FaultMode> perScript_;
};

// Answers a test hands the server for a script (a hostile server's lists, documents, pages):
// sent as they are instead of the script's own, until cleared. Set by the control requests.
class CraftedAnswers {
public:
    void Set(const std::string& script, std::string body);
    void Clear(const std::string& script); // empty script: every one
    std::optional<std::string> For(const std::string& script) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> perScript_;
};

// The pieces the fault modes use, kept here so the tests and the docs agree with the code.
namespace FaultText {
inline constexpr const char* kAsteriskSentence =
    "*The report service is busy. Please try again in a few minutes.*";
inline constexpr const char* kSlipEntryName = "../../escape.txt";
inline constexpr const char* kSlipEntryText = "This file escaped its folder.\n";
inline constexpr const char* kBigHeaderName = "X-Velmo-Padding";
inline constexpr std::size_t kBigHeaderSize = 64u * 1024u;
inline constexpr const char* kRefuseSentence = "The report service cannot do this right now.";
inline constexpr const char* kProxySentence = "The proxy needs your user name and password.";
inline constexpr const char* kProxyChallenge = "Basic realm=\"Velmo proxy\"";
inline constexpr std::size_t kSlowPiece = 128;
inline constexpr int kSlowPauseMs = 20;
} // namespace FaultText
