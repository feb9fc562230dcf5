#pragma once

#include "tests/server/ServerClient.h"
#include "tests/support/ServerFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A demo-seeded stand-in server of the test's own, and the requests most tests make.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server_.Start()) << server_.Error().toStdString(); }

    std::string Url(const std::string& scriptAndQuery) const {
        return server_.BaseUrl().toStdString() + scriptAndQuery;
    }

    // The unpacked text of a zipped list answer; empty (with a test failure) when it is none.
    std::string ZippedText(const std::string& url) const {
        const auto reply = ServerClient::Get(url);
        const auto text = ServerClient::SingleFileText(reply.body);
        EXPECT_TRUE(reply.status == 200 && text) << url << " answered: " << reply.body.substr(0, 200);
        return text.value_or(std::string());
    }

    std::string FileListUrl(const std::string& user, const std::string& provider, const std::string& location,
                            const std::string& type, int daysBack = 6) const {
        return Url("qm_download_filelist.php?loginuserid=" + user + "&physicianid=" + provider +
                   "&locationid=" + location + "&fromdate=" + ServerClient::IsoDay(daysBack) +
                   "&todate=" + ServerClient::IsoDay(0) + "&reporttype=" + type);
    }
    std::vector<ServerClient::Record> List(const std::string& user, const std::string& provider = "All",
                                           const std::string& location = "All", const std::string& type = "t",
                                           int daysBack = 6) {
        return ServerClient::ParseFileList(ZippedText(FileListUrl(user, provider, location, type, daysBack)));
    }

    // The named report's field in user 12's list of the last three weeks; empty when not listed.
    std::string FieldOfReport(const std::string& name, const std::string& key,
                              const std::string& type = "t") {
        for (const auto& record : List("12", "All", "All", type, 20)) {
            if (ServerClient::FieldOf(record, "Filename") == name) {
                return ServerClient::FieldOf(record, key);
            }
        }
        return {};
    }

    StandInServer server_;
};
