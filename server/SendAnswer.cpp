#include "server/SendAnswer.h"

#include "server/ZipArchive.h"

#include <httplib.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

// The fault modes rewrite an answer before it goes out.
Answer Misbehave(FaultMode fault, Answer answer) {
    const bool zipped = answer.kind == AnswerKind::ZippedList || answer.kind == AnswerKind::ZippedFile;
    switch (fault) {
    case FaultMode::Status500:
        answer = Answer::Refusal("Internal Server Error");
        answer.status = 500;
        break;
    case FaultMode::Refuse:
        answer = Answer::Refusal(FaultText::kRefuseSentence);
        break;
    case FaultMode::Empty:
        answer = Answer::Plain(std::string());
        break;
    case FaultMode::ProxyAuth:
        answer = Answer::Refusal(FaultText::kProxySentence);
        answer.status = 407;
        answer.headers.emplace_back("Proxy-Authenticate", FaultText::kProxyChallenge);
        break;
    case FaultMode::Asterisk:
        if (answer.kind == AnswerKind::ZippedList) {
            answer = Answer::Plain(FaultText::kAsteriskSentence);
        }
        break;
    case FaultMode::BadZip:
        if (zipped) {
            // The front half: local headers without the central directory, so no archive.
            answer.body.resize(answer.body.size() / 2);
        }
        break;
    case FaultMode::ZipSlip:
        if (zipped) {
            if (const auto zip = MakeZip({ZipEntry{FaultText::kSlipEntryName, FaultText::kSlipEntryText}})) {
                answer.body = *zip;
            }
        }
        break;
    default:
        break;
    }
    return answer;
}

} // namespace

void SendAnswer(httplib::Response& res, Answer answer, FaultMode fault) {
    answer = Misbehave(fault, std::move(answer));
    res.status = answer.status;
    for (const auto& [name, value] : answer.headers) {
        res.set_header(name, value);
    }
    if (fault == FaultMode::BigHeader) {
        res.set_header(FaultText::kBigHeaderName, std::string(FaultText::kBigHeaderSize, 'a'));
    }
    auto body = std::make_shared<std::string>(std::move(answer.body));
    const std::size_t size = body->size();
    switch (fault) {
    case FaultMode::Slow:
        res.set_content_provider(size, answer.contentType,
                                 [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     if (offset > 0) {
                                         std::this_thread::sleep_for(
                                             std::chrono::milliseconds(FaultText::kSlowPauseMs));
                                     }
                                     const std::size_t n = std::min(length, FaultText::kSlowPiece);
                                     return sink.write(body->data() + offset, n);
                                 });
        break;
    case FaultMode::Drop:
        // Content-Length says all of it; half goes out, then the provider gives up and the
        // connection is closed.
        res.set_content_provider(
            size, answer.contentType,
            [body, size](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                const std::size_t half = size / 2;
                if (offset >= half) {
                    return false;
                }
                return sink.write(body->data() + offset, std::min(length, half - offset));
            });
        break;
    case FaultMode::NoLength:
        // No Content-Length: the body goes out chunked (a close-delimited body would leave TLS
        // clients to tell a cut-off from the end).
        res.set_chunked_content_provider(
            answer.contentType, [body](std::size_t offset, httplib::DataSink& sink) {
                if (offset < body->size()) {
                    return sink.write(body->data() + offset, body->size() - offset);
                }
                sink.done();
                return true;
            });
        break;
    default:
        res.set_content(*body, answer.contentType);
        break;
    }
}
