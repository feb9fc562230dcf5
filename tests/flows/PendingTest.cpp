// An edited report is never lost: closed window, killed desk, refusing server, server down.
// Each case ends with the edit on the server after the next start.
#include "tests/flows/FlowsFixture.h"

namespace {

using PendingTest = FlowsFixture;

const QString kOther = QStringLiteral("R260004"); // provider 18: user 12 edits, no e-sign offer
const QString kOffer =
    QStringLiteral("1 edited report has not reached the server yet: R260004. Send it now?");

} // namespace

TEST(PendingRecordFormat, RoundTripsAndRejectsWhatIsNotARecord) {
    PendingRecord r;
    r.report = QStringLiteral("R260019");
    r.user = QStringLiteral("12");
    r.server = QStringLiteral("http://127.0.0.1/");
    r.state = PendingRecord::State::Owed;
    r.form = PendingRecord::Form::Esign;
    r.demographics = QStringLiteral("LastName~A=B|MRN~1\nstate=0"); // a line break must not add a key
    r.baseChecksum = 4294967295u;
    const auto back = PendingRecord::Parse(r.Serialize().toUtf8());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->state, PendingRecord::State::Owed);
    EXPECT_EQ(back->form, PendingRecord::Form::Esign);
    EXPECT_EQ(back->demographics, QStringLiteral("LastName~A=B|MRN~1 state=0"));
    EXPECT_EQ(back->baseChecksum, 4294967295u);
    EXPECT_TRUE(back->SameSession(QStringLiteral("12"), QStringLiteral("HTTP://127.0.0.1/")));
    EXPECT_FALSE(back->SameSession(QStringLiteral("15"), QStringLiteral("http://127.0.0.1/")));
    EXPECT_FALSE(PendingRecord::Parse(QByteArray("velmo-pending 1\nreport=") + QByteArray(70000, 'x')));
}

// Each way the edit fails to reach the server; the next start sends it. The server goes down last.
TEST_F(PendingTest, EditIsSentOnTheNextStart) {
    for (const char* fault : {"close", "kill", "refuse", "down"}) {
        SCOPED_TRACE(fault);
        const QString how = QString::fromLatin1(fault);
        const QString edit = QStringLiteral("Addendum kept through a restart: ") + how;
        NewDesktop(edit);
        PromptsDouble::Current().Clear();
        const qsizetype resyncs = Count(QStringLiteral("qm_resync.php"));
        Start();
        OpenForEditing(kOther);
        ASSERT_TRUE(WaitFor([&] { return PendingStore::Load(kOther).has_value(); }));
        if (how == QStringLiteral("kill")) {
            // Nothing of the desk's own clean-up runs: the monitor and the window just vanish.
            delete DocumentMonitor::Find(page_.get());
            page_->hide();
            killed_ = std::move(page_);
        } else if (how == QStringLiteral("close")) {
            Close();
            EXPECT_TRUE(QFile::exists(Temp(kOther))); // LibreOffice still has it there
            EXPECT_TRUE(PendingStore::HasDocument(kOther));
        } else if (how == QStringLiteral("refuse")) {
            SetPrivileges(QStringLiteral("18"), QStringLiteral("110000")); // the edit right is gone
        } else {
            server_.Stop();
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
        EXPECT_EQ(Count(QStringLiteral("qm_resync.php")),
                  resyncs + (how == QStringLiteral("refuse") ? 1 : 0));
        if (how == QStringLiteral("refuse")) {
            SetPrivileges(QStringLiteral("18"), QStringLiteral("110110"));
        } else if (how == QStringLiteral("down")) {
            ASSERT_TRUE(RestartServerInPlace()); // the same address and data
        }

        PromptsDouble::Current().Clear();
        PromptsDouble::Current().QueueAnswer(Prompts::Yes);
        Start();
        EXPECT_EQ(Shown().value(0), kOffer);
        EXPECT_TRUE(ServerDocument(kOther).contains(edit));
        EXPECT_FALSE(PendingStore::Load(kOther).has_value());
        EXPECT_FALSE(PendingStore::HasDocument(kOther));
        Close();
    }
}

// Someone else changed the report on the server meanwhile: the user decides.
TEST_F(PendingTest, ChangedServerCopyIsNotReplacedWithoutAsking) {
    NewDesktop(QStringLiteral("Addendum kept"));
    Start();
    OpenForEditing(kOther);
    Close(); // held at close
    desktop_->ReleaseLock();
    ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));
    // Another desk resyncs a different copy of the report.
    {
        QFile f(Temp(kOther));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ReadText(PendingStore::DocumentPath(kOther))
                    .toLatin1()
                    .replace("Addendum kept", "Someone else's"));
    }
    ASSERT_TRUE(CFileDownloads().UploadFile(kOther, QString()).contains(QLatin1Char('~')));
    QFile::remove(Temp(kOther));

    PromptsDouble::Current().QueueAnswer(Prompts::Yes); // send
    PromptsDouble::Current().QueueAnswer(Prompts::No);  // but do not replace the changed copy
    Start();
    ASSERT_EQ(Shown().size(), 3) << Shown().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Shown().at(1),
              QStringLiteral("The server's copy of R260004 has changed since it was edited here. "
                             "Replace it with the edited copy?"));
    EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Someone else's")));
    EXPECT_TRUE(PendingStore::Load(kOther).has_value());
    Close();

    PromptsDouble::Current().Clear();
    PromptsDouble::Current().QueueAnswer(Prompts::Yes);
    PromptsDouble::Current().QueueAnswer(Prompts::Yes);
    Start();
    EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Addendum kept")));
    EXPECT_FALSE(PendingStore::Load(kOther).has_value());
}
