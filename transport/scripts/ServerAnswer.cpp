#include "transport/scripts/ServerAnswer.h"

#include "transport/CHttp.h"

ServerAnswer GetShortAnswer(const QString& url, std::optional<bool> secure) {
    ServerAnswer answer;
    CHttp http;
    http.ClearFormFields();
    http.SetURL(url);
    http.SetKeepResponse(true);
    if (secure.has_value()) {
        http.SetSecure(*secure);
    }
    if (http.OpenInternetSession() == 0) {
        return answer;
    }
    answer.opened = true;
    if (http.DownloadFile() != 0) {
        answer.sent = true;
        answer.response = http.GetResponse();
    }
    answer.raw = http.GetResponse();
    http.CloseSession();
    return answer;
}

ScriptPost::ScriptPost(const QString& url) : http_(std::make_unique<CHttp>()) {
    http_->ClearFormFields();
    http_->SetURL(url);
    http_->SetKeepResponse(true);
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
    ServerAnswer answer;
    if (secure.has_value()) {
        http_->SetSecure(*secure);
    }
    if (http_->OpenInternetSession() == 0) {
        return answer;
    }
    answer.opened = true;
    if (http_->UploadFile() != 0) {
        answer.sent = true;
        answer.response = http_->GetResponse();
    }
    answer.raw = http_->GetResponse();
    http_->CloseSession();
    return answer;
}
