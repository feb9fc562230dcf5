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
    std::string SecureUrl(const std::string& scriptAndQuery) const {
        return "https://" + server_.Address().toStdString() + "/" + scriptAndQuery;
    }

    // The unpacked text of a zipped list answer; empty (with a test failure) when it is none.
    std::string ZippedText(const std::string& url) const {
        const auto reply = ServerClient::Get(url);
        EXPECT_EQ(reply.status, 200) << url;
        const auto text = ServerClient::SingleFileText(reply.body);
        EXPECT_TRUE(text.has_value()) << url << " answered: " << reply.body.substr(0, 200);
        return text.value_or(std::string());
    }

    std::string FileListUrl(const std::string& user, const std::string& provider, const std::string& location,
                            const std::string& from, const std::string& to, const std::string& type) const {
        return Url("qm_download_filelist.php?loginuserid=" + user + "&physicianid=" + provider +
                   "&locationid=" + location + "&fromdate=" + from + "&todate=" + to + "&reporttype=" + type);
    }

    // The desk's first query: the last six days, all providers and locations.
    std::vector<ServerClient::Record> DefaultList(const std::string& user = "12",
                                                  const std::string& type = "t") {
        return ServerClient::ParseFileList(ZippedText(
            FileListUrl(user, "All", "All", ServerClient::IsoDay(6), ServerClient::IsoDay(0), type)));
    }

    // The record of the named report in the user's default list; empty when it is not listed.
    ServerClient::Record RecordOf(const std::string& name, const std::string& user = "12",
                                  const std::string& type = "t") {
        for (const auto& record : DefaultList(user, type)) {
            if (ServerClient::FieldOf(record, "Filename") == name) {
                return record;
            }
        }
        return {};
    }

    // The named report's activity flags in the user's default list.
    std::string Activity(const std::string& name, const std::string& user = "12",
                         const std::string& type = "t") {
        return ServerClient::FieldOf(RecordOf(name, user, type), "Activity Indicator");
    }

    StandInServer server_;
};
