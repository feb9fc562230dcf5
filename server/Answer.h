#pragma once

#include "server/MultipartForm.h"
#include "server/QueryString.h"

#include <string>
#include <utility>
#include <vector>

struct ServerContext;

// What kind of body an answer carries; the fault modes pick their victims by it.
enum class AnswerKind {
    Text,       // a short text: "~", a sentence, plain lists
    ZippedList, // a zip holding one text file (file list, version list, address book, ...)
    ZippedFile, // a zip holding a document, a version or dictation audio
    Html,
};

struct Answer {
    int status = 200;
    AnswerKind kind = AnswerKind::Text;
    std::string contentType = "text/plain";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;

    // A short text answer as it stands: "~" and the other successes.
    static Answer Plain(std::string text);
    // A refusal: a sentence that never holds "~" (the desk takes any "~" for success), whatever
    // request values it echoes.
    static Answer Refusal(const std::string& sentence);
    // A message the desk shows to the user instead of unpacking: "*" + sentence + "*", no "~".
    static Answer Message(const std::string& sentence);
    static Answer ZippedList(const std::string& entryName, const std::string& text);
    static Answer ZippedFile(const std::string& entryName, const std::string& bytes);
    static Answer Html(std::string page, int status = 200);
};

// One request as the scripts see it: the raw query already cut into keys and values, and the
// multipart form (when there was one) in the order of its parts.
struct ScriptRequest {
    std::string method;
    std::string path;
    std::string rawQuery;
    QueryString query{""};
    std::vector<FormPart> parts;
    bool hasBody = false;     // false for GET and for the desk's bodiless probe POST
    bool formIsValid = false; // a multipart body that parsed
    std::string host;         // the Host header without its port

    // The first text field (not a file part) named name; empty when absent.
    std::string Field(const std::string& name) const;
    bool HasField(const std::string& name) const;
    // The first file part named name, or null.
    const FormPart* File(const std::string& name) const;
};

using Script = Answer (*)(ServerContext&, const ScriptRequest&);
