#include "dialogs/addressbook/ServerAnswer.h"

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
    http.CloseSession();
    return answer;
}
