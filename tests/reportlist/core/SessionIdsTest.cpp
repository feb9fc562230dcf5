// The host page's ids become file names and profile-file sections: one the names rule refuses
// ends the session, whichever list it comes in (the user id: see DeskProgramTest).
#include "reportlist/core/SessionIds.h"
#include "host/core/SessionSettings.h"

#include <gtest/gtest.h>

namespace {

TEST(SessionIds, AnIdTheDeskCannotUseAsANameRefusesTheSession) {
    const struct {
        const char *physicians, *locations;
        const char* refusal; // the part that names the id; empty: accepted
    } cases[] = {
        {"12~Dr. Amelia Hart|15~Dr. Rafael Ortiz", "[12]3~North Clinic|4~South Clinic[15]3~North", ""},
        {"", "", ""}, // nothing given: left to the desk, which treats it as missing
        {"12~A|a/b~B", "[12]3~N", "the care provider id (PhysicianList) \"a/b\" is not a valid id (it holds"},
        {"12~A", "[12]3~N[-x]4~S", "the care provider id (LocationList) \"-x\""},
        {"12~A", "[12]3~N|4\n~S", "the location id (LocationList) \"4\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) {
        SessionSettings session;
        session.SetPhysicianList(QString::fromUtf8(c.physicians));
        session.SetLocationList(QString::fromUtf8(c.locations));
        const QString refusal = SessionIds::Refusal(session);
        EXPECT_EQ(refusal.isEmpty(), *c.refusal == '\0') << refusal.toStdString();
        EXPECT_TRUE(refusal.contains(QString::fromUtf8(c.refusal))) << refusal.toStdString();
    }
}

} // namespace
