// The monitor learns from the file system's notifications that LibreOffice took and let go of the
// report: with its poll too slow to matter, a release is still acted on at once, and an open and
// close quicker than any look ends the watch instead of keeping the slot.
#include "tests/flows/FlowsFixture.h"

namespace {

using MonitorNotification = FlowsFixture;

const QString kOffer = QStringLiteral("Do you want to E-Sign this document - R260019?"); // kOwn

} // namespace

TEST_F(MonitorNotification, ReleaseIsActedOnWithoutWaitingForAPoll) {
    struct Case {
        const char* why;
        QString edit; // "-": LibreOffice changes nothing
        bool quick;   // takes and lets go of the report at once, before any poll could see it held
        QStringList shown;
        qsizetype resyncs;
    };
    const Case cases[] = {
        {"opened and closed unchanged at once: nothing to send, the slot is freed",
         QStringLiteral("-"),
         true,
         {},
         0},
        {"opened, edited and closed at once: the usual question and upload",
         QStringLiteral("Edited in a hurry."),
         true,
         {kOffer, kUpdated},
         1},
        {"held, then let go: the question follows",
         QStringLiteral("Edited at leisure."),
         false,
         {kOffer, kUpdated},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        NewDesktop(c.edit);
        desktop_->SetHoldLock(!c.quick);
        Start();
        Delays::Get().monitorPoll = 600000; // only a notification can tell the monitor in time
        const qsizetype resyncs = Count(kResync);
        Answers({Prompts::No});
        Select({kOwn});
        Click("openButton");
        ASSERT_TRUE(desktop_->WaitForEdit(Temp(kOwn)));
        if (!c.quick) {
            ASSERT_TRUE(WaitFor([&] {
                const DocumentMonitor* monitor = DocumentMonitor::Find(page_.get());
                return monitor && monitor->Taken();
            }));
            EXPECT_EQ(page_->State().OpenDocumentName, kOwn);
            desktop_->ReleaseLock();
        }
        ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOwn)));
        ASSERT_TRUE(WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }));
        EXPECT_EQ(Shown(), c.shown);
        EXPECT_EQ(Count(kResync) - resyncs, c.resyncs);
        EXPECT_TRUE(page_->State().OpenDocumentName.isEmpty());
        EXPECT_TRUE(PendingStore::All().isEmpty());
        Close();
    }
}
