// The pacing comes back whole with one call, and the tests' ZeroAll reaches every wait.
#include "host/core/Delays.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

constexpr std::size_t kFields = sizeof(Delays) / sizeof(int);
static_assert(sizeof(Delays) % sizeof(int) == 0, "every wait is an int");

std::array<int, kFields> Values(const Delays& d) {
    std::array<int, kFields> out{};
    std::memcpy(out.data(), &d, sizeof(Delays));
    return out;
}

TEST(FixedWaits, TheOptionRestoresEveryWaitAsItWasAndZeroAllClearsThemAll) {
    struct Wait {
        int Delays::*field;
        int ms;
    };
    // Every field, with the value a paced server has always seen; a new wait belongs here too.
    const Wait fixed[] = {
        {&Delays::beforeZippedDownload, 4000},
        {&Delays::beforeDocumentDownload, 1000},
        {&Delays::beforeListFileDelete, 100},
        {&Delays::noResultCheck, 500},
        {&Delays::folderCleanup, 300},
        {&Delays::monitorPoll, 1000},
        {&Delays::monitorNotifiedPoll, 1000},
        {&Delays::monitorPollsOnly, 1},
        {&Delays::afterPrint, 1000},
        {&Delays::afterSignSave, 200},
        {&Delays::afterPropertyWrite, 500},
        {&Delays::actionStep, 100},
        {&Delays::beforeOpenStatus, 500},
        {&Delays::afterMonitorEsign, 2000},
        {&Delays::afterDemographicsDownload, 1000},
        {&Delays::voiceStep, 1000},
        {&Delays::convertingNotice, 1000},
        {&Delays::versionStep, 1000},
    };
    ASSERT_EQ(std::size(fixed), kFields);

    Delays::UseFixedWaits(true);
    for (const Wait& w : fixed) {
        EXPECT_EQ(Delays::Get().*w.field, w.ms);
    }
    Delays::UseFixedWaits(false);
    EXPECT_EQ(Values(Delays::Get()), Values(Delays::Lean()));

    Delays::ZeroAll();
    EXPECT_EQ(Values(Delays::Get()), (std::array<int, kFields>{}));
}

} // namespace
