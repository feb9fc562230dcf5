#include "server/Answer.h"

#include "server/TextUtil.h"
#include "server/ZipArchive.h"

Answer Answer::Plain(std::string text) {
    Answer answer;
    answer.body = std::move(text);
    return answer;
}

Answer Answer::Refusal(const std::string& sentence) {
    return Plain(Text::WithoutTilde(sentence));
}

Answer Answer::Message(const std::string& sentence) {
    return Plain(std::string("*").append(Text::WithoutTilde(sentence)).append("*"));
}

Answer Answer::ZippedList(const std::string& entryName, const std::string& text) {
    Answer answer = ZippedFile(entryName, text);
    if (answer.status == 200) {
        answer.kind = AnswerKind::ZippedList;
    }
    return answer;
}

Answer Answer::ZippedFile(const std::string& entryName, const std::string& bytes) {
    const auto zip = MakeZip({ZipEntry{entryName, bytes}});
    if (!zip) {
        Answer failed = Message("The archive could not be made. Please try again.");
        return failed;
    }
    Answer answer;
    answer.kind = AnswerKind::ZippedFile;
    answer.contentType = "application/zip";
    answer.body = *zip;
    return answer;
}

Answer Answer::Html(std::string page, int status) {
    Answer answer;
    answer.status = status;
    answer.kind = AnswerKind::Html;
    answer.contentType = "text/html; charset=utf-8";
    answer.body = std::move(page);
    return answer;
}

std::string ScriptRequest::Field(const std::string& name) const {
    for (const FormPart& part : parts) {
        if (!part.filename && part.name == name) {
            return part.value;
        }
    }
    return {};
}

bool ScriptRequest::HasField(const std::string& name) const {
    for (const FormPart& part : parts) {
        if (!part.filename && part.name == name) {
            return true;
        }
    }
    return false;
}

const FormPart* ScriptRequest::File(const std::string& name) const {
    for (const FormPart& part : parts) {
        if (part.filename && Text::EqualsNoCase(part.name, name)) {
            return &part;
        }
    }
    return nullptr;
}
