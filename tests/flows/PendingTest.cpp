// An edited report is never lost: closed window, killed desk, refusing server, server down.
// Each case ends with the edit on the server after the next start.
#include "tests/flows/FlowsFixture.h"

#include "documents/monitor/DocumentMonitor.h"
#include "documents/pending/PendingUploads.h"

#include <QDir>
#include <QFile>

#include "transport/CFileDownloads.h"

namespace {

using PendingTest = FlowsFixture;

const QString kOther = QStringLiteral("R260004"); // provider 18: user 12 edits, no e-sign offer
const QString kEdit = QStringLiteral("Addendum kept through a restart.");

QString Offer(const QString& name) {
    return QStringLiteral("1 edited report has not reached the server yet: ") + name +
           QStringLiteral(". Send it now?");
}

} // namespace

TEST(PendingRecordFormat, RoundTripsAndRejectsWhatIsNotARecord) {
    PendingRecord r;
    r.report = QStringLiteral("R260019");
    r.user = QStringLiteral("12");
    r.server = QStringLiteral("http://127.0.0.1/");
    r.physicianId = QStringLiteral("12");
    r.locationId = QStringLiteral("3");
    r.state = PendingRecord::State::Owed;
    r.form = PendingRecord::Form::Esign;
    r.demographics = QStringLiteral("LastName~A=B|MRN~1\nsecond line");
    r.baseChecksum = 4294967295u;
    r.openedChecksum = 7;
    r.esignOwner = QStringLiteral("12");
    r.esignedOpened = true;
    const auto back = PendingRecord::Parse(r.Serialize().toUtf8());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->report, r.report);
    EXPECT_EQ(back->state, PendingRecord::State::Owed);
    EXPECT_EQ(back->form, PendingRecord::Form::Esign);
    EXPECT_EQ(back->demographics, QStringLiteral("LastName~A=B|MRN~1 second line"));
    EXPECT_EQ(back->baseChecksum, 4294967295u);
    EXPECT_EQ(back->openedChecksum, 7u);
    EXPECT_TRUE(back->esignedOpened);
    EXPECT_TRUE(back->SameSession(QStringLiteral("12"), QStringLiteral("HTTP://127.0.0.1/")));
    EXPECT_FALSE(back->SameSession(QStringLiteral("15"), QStringLiteral("http://127.0.0.1/")));

    for (const QByteArray& bad :
         {QByteArray(), QByteArray("report=R1\n"), QByteArray("velmo-pending 1\nuser=12\n"),
          QByteArray("velmo-pending 1\nreport=") + QByteArray(70000, 'x')}) {
        EXPECT_FALSE(PendingRecord::Parse(bad).has_value()) << bad.left(40).toStdString();
    }
}

TEST(PendingRecordFormat, OfferTextCountsTheReports) {
    EXPECT_EQ(PendingUploads::OfferText({QStringLiteral("R260019")}), Offer(QStringLiteral("R260019")));
    EXPECT_EQ(PendingUploads::OfferText({QStringLiteral("R1"), QStringLiteral("R2")}),
              QStringLiteral("2 edited reports have not reached the server yet: R1, R2. Send them now?"));
}

// The window closes, and the desk is killed, while LibreOffice still holds a changed report.
TEST_F(PendingTest, HeldAtCloseOrKillIsSentOnTheNextStart) {
    for (const bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "killed" : "closed");
        desktop_.reset();
        desktop_ = std::make_unique<FakeDesktop>();
        desktop_->SetEditText(kEdit);
        PromptsDouble::Current().Clear();
        const auto resyncs = Uploads(QStringLiteral("qm_resync.php")).size();
        Start();
        OpenForEditing(kOther);
        ASSERT_TRUE(WaitFor([&] { return PendingStore::Load(kOther).has_value(); }));
        if (kill) {
            // Nothing of the desk's own clean-up runs: the monitor and the window just vanish.
            delete DocumentMonitor::Find(page_.get());
            page_->hide();
            killed_ = std::move(page_); // left as a killed process leaves it, until the test ends
        } else {
            Close();
            EXPECT_TRUE(QFile::exists(Temp(kOther))); // LibreOffice still has it there
            EXPECT_TRUE(PendingStore::HasDocument(kOther));
        }
        EXPECT_EQ(Uploads(QStringLiteral("qm_resync.php")).size(), resyncs);
        desktop_->ReleaseLock();
        ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));

        PromptsDouble::Current().QueueAnswer(Prompts::Yes);
        Start();
        EXPECT_EQ(Shown().value(0), Offer(kOther));
        EXPECT_EQ(Uploads(QStringLiteral("qm_resync.php")).size(), resyncs + 1);
        EXPECT_TRUE(ServerDocument(kOther).contains(kEdit));
        EXPECT_FALSE(PendingStore::Load(kOther).has_value());
        EXPECT_FALSE(PendingStore::HasDocument(kOther));
        Close();
    }
}

// The server refuses the resync (the user lost the edit right meanwhile): the edit is kept, the
// user told, and sent once the right is back.
TEST_F(PendingTest, RefusedResyncIsKeptAndSentLater) {
    desktop_->SetEditText(kEdit);
    Start();
    OpenForEditing(kOther);
    SetPrivileges(QStringLiteral("12"), QStringLiteral("18"), QStringLiteral("110000"));
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }));
    EXPECT_EQ(Uploads(QStringLiteral("qm_resync.php")).size(), 1);
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_TRUE(Shown().first().startsWith(QStringLiteral("The edited report ") + kOther));
    const auto record = PendingStore::Load(kOther);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->state, PendingRecord::State::Owed);
    EXPECT_FALSE(ServerDocument(kOther).contains(kEdit));
    Close();
    EXPECT_TRUE(PendingStore::HasDocument(kOther)); // TempFolder emptied, the edit kept

    // Still refused on the next start: kept again; then, with the right back, sent.
    PromptsDouble::Current().Clear();
    PromptsDouble::Current().QueueAnswer(Prompts::Yes);
    Start();
    EXPECT_TRUE(PendingStore::Load(kOther).has_value());
    Close();
    SetPrivileges(QStringLiteral("12"), QStringLiteral("18"), QStringLiteral("110110"));
    PromptsDouble::Current().Clear();
    PromptsDouble::Current().QueueAnswer(Prompts::Yes);
    Start();
    EXPECT_EQ(Shown(), QStringList{Offer(kOther)});
    EXPECT_TRUE(ServerDocument(kOther).contains(kEdit));
    EXPECT_FALSE(PendingStore::Load(kOther).has_value());
}

// The server cannot be reached when the document comes back; on the next start it can.
TEST_F(PendingTest, ServerDownAtResyncIsSentOnTheNextStart) {
    desktop_->SetEditText(kEdit);
    Start();
    OpenForEditing(kOther);
    server_.Stop();
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }, 60000));
    const auto record = PendingStore::Load(kOther);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->state, PendingRecord::State::Owed);
    Close();

    // The same server again (same address and data).
    ASSERT_TRUE(RestartServerInPlace());
    PromptsDouble::Current().Clear();
    PromptsDouble::Current().QueueAnswer(Prompts::Yes);
    Start();
    EXPECT_EQ(Shown().value(0), Offer(kOther));
    EXPECT_TRUE(ServerDocument(kOther).contains(kEdit));
    EXPECT_FALSE(PendingStore::Load(kOther).has_value());
}

// Someone else changed the report on the server meanwhile: the user decides.
TEST_F(PendingTest, ChangedServerCopyIsNotReplacedWithoutAsking) {
    desktop_->SetEditText(kEdit);
    Start();
    OpenForEditing(kOther);
    Close(); // held at close
    desktop_->ReleaseLock();
    ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));

    // Another desk resyncs a different copy of the report.
    {
        const QString mine = ReadText(PendingStore::DocumentPath(kOther));
        QFile f(Temp(kOther));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(mine.toLatin1().replace("Addendum kept", "Someone else's change"));
    }
    ASSERT_TRUE(CFileDownloads().UploadFile(kOther, QString()).contains(QLatin1Char('~')));
    QFile::remove(Temp(kOther));

    PromptsDouble::Current().QueueAnswer(Prompts::Yes); // send
    PromptsDouble::Current().QueueAnswer(Prompts::No);  // but do not replace the changed copy
    Start();
    ASSERT_EQ(Shown().size(), 3) << Shown().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Shown().at(1),
              QStringLiteral("The server's copy of ") + kOther +
                  QStringLiteral(" has changed since it was edited here. Replace it with the edited copy?"));
    EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Someone else's change")));
    EXPECT_TRUE(PendingStore::Load(kOther).has_value());
    Close();

    PromptsDouble::Current().Clear();
    PromptsDouble::Current().QueueAnswer(Prompts::Yes);
    PromptsDouble::Current().QueueAnswer(Prompts::Yes);
    Start();
    EXPECT_TRUE(ServerDocument(kOther).contains(kEdit));
    EXPECT_FALSE(PendingStore::Load(kOther).has_value());
}
