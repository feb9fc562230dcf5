#include "transport/scripts/ServerAnswer.h"

#include "transport/CHttp.h"

namespace {

// A request object on url that keeps its answer, with no form fields yet.
void Prepare(CHttp& http, const QString& url) {
    http.ClearFormFields();
    http.SetURL(url);
    http.SetKeepResponse(true);
}

// Opens the session, runs the transfer (a GET or the post), takes the answer and closes.
ServerAnswer Exchange(CHttp& http, std::optional<bool> secure, int (CHttp::*transfer)()) {
    ServerAnswer answer;
    if (secure.has_value()) {
        http.SetSecure(*secure);
    }
    if (http.OpenInternetSession() == 0) {
        return answer;
    }
    answer.opened = true;
    if ((http.*transfer)() != 0) {
        answer.sent = true;
        answer.response = http.GetResponse();
    }
    answer.raw = http.GetResponse();
    http.CloseSession();
    return answer;
}

} // namespace

ServerAnswer GetShortAnswer(const QString& url, std::optional<bool> secure) {
    CHttp http;
    Prepare(http, url);
    return Exchange(http, secure, &CHttp::DownloadFile);
}

ScriptPost::ScriptPost(const QString& url) : http_(std::make_unique<CHttp>()) {
    Prepare(*http_, url);
}

ScriptPost::~ScriptPost() = default;

void ScriptPost::SetLocalFile(const QString& path) {
    http_->SetLocalFile(path);
}

void ScriptPost::Field(const QString& name, const QString& value) {
    http_->AddFormField(name, value);
}

void ScriptPost::Field(const QString& name, const QByteArray& value) {
    http_->AddFormField(name, value);
}

ServerAnswer ScriptPost::Send(std::optional<bool> secure) {
    return Exchange(*http_, secure, &CHttp::UploadFile);
}
