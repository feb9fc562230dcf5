// A desk whose report server presents a certificate signed by an authority the desk was not given.
#include "tests/flows/FlowsFixture.h"

#include "host/core/CertificateNotice.h"

namespace {

using ServerTrustFlow = FlowsFixture;

// Nothing reaches the server, the start and each later command tell the user once; given the
// authority, the next command lists the reports (and TearDown sees every request over TLS).
TEST_F(ServerTrustFlow, AnUntrustedServerIsSentNothingAndTheUserToldOncePerCommand) {
    const UntrustedStandIn untrusted;
    ShowWindow();
    EXPECT_EQ(Shown().count(CertificateNotice::kText), 1) << Shown().join(u'\n').toStdString();
    Click("goButton");
    EXPECT_EQ(Shown().count(CertificateNotice::kText), 2) << Shown().join(u'\n').toStdString();
    EXPECT_TRUE(server_.Journal().isEmpty());
    EXPECT_EQ(page_->RowCount(), 0);

    untrusted.End();
    Answers();
    Click("goButton");
    EXPECT_GT(page_->RowCount(), 0);
    EXPECT_FALSE(Shown().contains(CertificateNotice::kText));
    EXPECT_FALSE(server_.Journal().isEmpty());
}

// An edit whose upload meets an unverified certificate stays owed, and the user learns why.
TEST_F(ServerTrustFlow, AnEditRefusedForTheCertificateStaysOwedAndSaysWhy) {
    Start();
    OpenForEditing(kOther);
    ASSERT_TRUE(WaitFor([&] { return PendingStore::Load(kOther).has_value(); }));
    const UntrustedStandIn untrusted;
    const qsizetype before = server_.Journal().size();
    desktop_->ReleaseLock();
    ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));
    ASSERT_TRUE(NothingOpen());
    const QString kept = u"The edited report R260004 has not reached the server (the report server's "
                         u"certificate could not be verified). It is kept and will be offered again when "
                         u"the desk next starts."_s;
    EXPECT_EQ(Shown(), (QStringList{CertificateNotice::kText, kept}));
    EXPECT_EQ(PendingStore::Load(kOther)->state, PendingRecord::State::Owed);
    EXPECT_EQ(server_.Journal().size(), before);
}

} // namespace
