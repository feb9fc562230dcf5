// The monitor learns from the file system's notifications that LibreOffice took and let go of the
// report: with its poll too slow to matter, a release is still acted on at once, and an open and
// close quicker than any look ends the watch instead of keeping the slot.
#include "tests/flows/FlowsFixture.h"

namespace {

using MonitorNotification = FlowsFixture;

const QString kOffer = QStringLiteral("Do you want to E-Sign this document - R260019?"); // kOwn

} // namespace

TEST_F(MonitorNotification, ReleaseIsActedOnWithoutWaitingForAPoll) {
    // Quick: LibreOffice takes and lets go of the report at once, before any poll could see it held.
    // An edit ("-": none) gets the usual question and upload; none sends nothing and frees the slot.
    const struct Case {
        const char* edit;
        bool quick;
    } cases[] = {{"-", true}, {"Edited in a hurry.", true}, {"Edited at leisure.", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        const bool edited = qstrcmp(c.edit, "-") != 0;
        NewDesktop(QString::fromLatin1(c.edit));
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
        EXPECT_EQ(Shown(), edited ? (QStringList{kOffer, kUpdated}) : QStringList());
        EXPECT_EQ(Count(kResync) - resyncs, edited ? 1 : 0);
        EXPECT_TRUE(page_->State().OpenDocumentName.isEmpty());
        EXPECT_TRUE(PendingStore::All().isEmpty());
        Close();
    }
}
