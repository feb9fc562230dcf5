#pragma once

#include "tests/server/ServerClient.h"
#include "tests/support/ServerFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

// A stand-in server of the test's own (the demo practice unless a test starts it with another),
// and the requests most tests make.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Start()) << server_->Error().toStdString(); }
    bool Start(StandInServer::Options options = {}) {
        server_.emplace(std::move(options));
        return server_->Start();
    }

    std::string Url(const std::string& scriptAndQuery) const {
        return server_->BaseUrl().toStdString() + scriptAndQuery;
    }

    // The unpacked text of a zipped answer; empty (with a test failure) when it is none.
    std::string ZippedText(const std::string& url) const {
        const auto reply = ServerClient::Get(url);
        const auto text = ServerClient::SingleFileText(reply.body);
        EXPECT_TRUE(reply.status == 200 && text) << url << " answered: " << reply.body.substr(0, 200);
        return text.value_or(std::string());
    }

    // The list of reports dated from..to days back.
    std::string FileListUrl(const std::string& user, const std::string& provider, const std::string& location,
                            const std::string& type, int from = 6, int to = 0) const {
        return Url("qm_download_filelist.php?loginuserid=" + user + "&physicianid=" + provider +
                   "&locationid=" + location + "&fromdate=" + ServerClient::IsoDay(from) +
                   "&todate=" + ServerClient::IsoDay(to) + "&reporttype=" + type);
    }
    std::vector<ServerClient::Record> List(const std::string& user, const std::string& provider = "All",
                                           const std::string& location = "All", const std::string& type = "t",
                                           int from = 6, int to = 0) {
        return ServerClient::ParseFileList(ZippedText(FileListUrl(user, provider, location, type, from, to)));
    }

    std::optional<StandInServer> server_;
};
