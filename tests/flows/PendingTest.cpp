// An edited report is never lost: closed window, killed desk, refusing server, server down.
// Each case ends with the edit on the server after the next start.
#include "tests/flows/FlowsFixture.h"

namespace {

using PendingTest = FlowsFixture;

const QString kOther = QStringLiteral("R260004"); // provider 18: user 12 edits, no e-sign offer
const QString kOffer =
    QStringLiteral("1 edited report has not reached the server yet: R260004. Send it now?");

} // namespace

// A record is read back from disk: an oversized one is no record.
TEST(PendingRecordFormat, OversizedTextIsNoRecord) {
    EXPECT_FALSE(PendingRecord::Parse(QByteArray("velmo-pending 1\nreport=") + QByteArray(70000, 'x')));
}

// Each way the edit fails to reach the server; the next start sends it. "changed": another desk
// changed the server's copy meanwhile, and the user is asked first. The server goes down last.
TEST_F(PendingTest, EditIsSentOnTheNextStart) {
    for (const char* fault : {"close", "changed", "kill", "refuse", "down"}) {
        SCOPED_TRACE(fault);
        const QString how = QString::fromLatin1(fault);
        const QString edit = QStringLiteral("Addendum kept through a restart: ") + how;
        NewDesktop(edit);
        Answers();
        const qsizetype resyncs = Count(kResync);
        Start();
        OpenForEditing(kOther);
        ASSERT_TRUE(WaitFor([&] { return PendingStore::Load(kOther).has_value(); }));
        if (how == QStringLiteral("kill")) {
            // Nothing of the desk's own clean-up runs: the monitor and the window just vanish.
            delete DocumentMonitor::Find(page_.get());
            page_->hide();
            killed_ = std::move(page_);
        } else if (how == QStringLiteral("refuse")) {
            ASSERT_TRUE(server_.SetFault(QStringLiteral("refuse"), kResync));
        } else if (how == QStringLiteral("down")) {
            server_.Stop();
        } else {
            Close();
            EXPECT_TRUE(QFile::exists(Temp(kOther))); // LibreOffice still has it there
            EXPECT_TRUE(PendingStore::HasDocument(kOther));
        }
        desktop_->ReleaseLock();
        ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));
        if (page_) { // the desk still runs: it tells, keeps the edit and empties TempFolder at close
            ASSERT_TRUE(Closed());
            EXPECT_EQ(Shown(),
                      QStringList{QStringLiteral("The edited report R260004 has not reached the server. It "
                                                 "is kept and will be offered again when the desk next "
                                                 "starts.")});
            EXPECT_EQ(PendingStore::Load(kOther)->state, PendingRecord::State::Owed);
            Close();
            EXPECT_TRUE(PendingStore::HasDocument(kOther));
        }
        EXPECT_EQ(Count(kResync), resyncs + (how == QStringLiteral("refuse") ? 1 : 0));
        ASSERT_TRUE(how == QStringLiteral("down") ? RestartServerInPlace() : server_.ClearFaults());
        if (how == QStringLiteral("changed")) {
            QFile other(Temp(kOther));
            ASSERT_TRUE(other.open(QIODevice::WriteOnly));
            other.write(
                ReadText(PendingStore::DocumentPath(kOther)).toLatin1().replace("Addendum", "Other's"));
            other.close();
            ASSERT_TRUE(CFileDownloads().UploadFile(kOther, QString()).contains(QLatin1Char('~')));
            QFile::remove(Temp(kOther));
            Answers({Prompts::Yes, Prompts::No}); // send, but do not replace the changed copy
            Start();
            EXPECT_EQ(Shown().value(1),
                      QStringLiteral("The server's copy of R260004 has changed since it was edited "
                                     "here. Replace it with the edited copy?"));
            EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Other's kept")));
            Close();
        }

        Answers({Prompts::Yes, Prompts::Yes});
        Start();
        EXPECT_EQ(Shown().value(0), kOffer);
        EXPECT_TRUE(ServerDocument(kOther).contains(edit));
        EXPECT_FALSE(PendingStore::Load(kOther).has_value());
        EXPECT_FALSE(PendingStore::HasDocument(kOther));
        Close();
    }
}
