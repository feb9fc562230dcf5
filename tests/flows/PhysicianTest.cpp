// The edit flows against the real LibreOffice: the desk's soffice is the scripted physician
// (tests/support/scripted_physician.py), which types through LibreOffice's own dispatcher, saves
// as the case says, and closes the document or kills LibreOffice with it open.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WordHoldsFile.h"

#include <QUrl>

namespace {

const QString kOther = QStringLiteral("R260004");     // provider 18: user 12 may edit, not sign
const QString kOwnSigned = QStringLiteral("R260001"); // provider 12, e-signed by user 12
const QString kUpdated = QStringLiteral("Document updated.");
const QString kAttention = QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                          "statement will be added if it is edited and saved.");
constexpr int kOfficeWaitMs = 180000; // LibreOffice starts slowly on a loaded machine

struct Case {
    const char* name; // of the case, then why
    QString report;
    QString steps;     // what the physician does (see the script)
    bool closeDesk;    // the desk is closed while LibreOffice holds the report, started again after
    QString typed;     // must reach the server
    QString refused;   // must not
    QStringList shown; // what the physician sees
    QString upload;    // the script that carried the edit
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Physician : public FlowsFixture, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        FlowsFixture::SetUp();
        const QString seed = QStringLiteral(VELMO_PHYSICIAN_SEED);
        if (!QFile::exists(seed + QStringLiteral("/user/registrymodifications.xcu"))) {
            GTEST_SKIP() << "LibreOffice with python3-uno is needed (no seeded profile at "
                         << seed.toStdString() << ")";
        }
        // The desk's headless conversions start from the seeded profile too, not from a new one.
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), seed,
                                                 CUtility().ProfileFolder() + QStringLiteral("LibreOffice")});
        QFile::link(QStringLiteral(VELMO_PHYSICIAN_SCRIPT), bin_.filePath(QStringLiteral("soffice")));
        path_ = qgetenv("PATH");
        qputenv("PATH", bin_.path().toUtf8() + ':' + path_);
        qputenv("VELMO_PHYSICIAN_SEED", seed.toUtf8());
        qputenv("VELMO_PHYSICIAN_LOG", Log().toUtf8());
        qputenv("VELMO_PHYSICIAN", GetParam().steps.toUtf8());
        Delays::Get().monitorPoll = 100;
    }
    void TearDown() override {
        if (!path_.isEmpty()) {
            qputenv("PATH", path_);
        }
        FlowsFixture::TearDown();
    }
    QString Log() const { return bin_.filePath(QStringLiteral("physician.log")); }
    QString LogText() const { return ReadText(Log()); }

    QTemporaryDir bin_;
    QByteArray path_;
};

} // namespace

TEST_P(Physician, EditReachesTheServerIntact) {
    const Case& c = GetParam();
    Start();
    Answers({Prompts::Yes}); // the offer at the next start
    Select({c.report});
    Click("ctl210");
    const QString handed = Handed(c.report);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(OfficeLockFilePath(Handed(c.report))); }, kOfficeWaitMs));
    if (c.closeDesk) {
        Close(); // tells the physician the edit is kept
        QFile(Log() + QStringLiteral(".go")).open(QIODevice::WriteOnly); // then LibreOffice is killed
        ASSERT_TRUE(WaitFor([&] { return LogText().contains(QStringLiteral("args=")); }, kOfficeWaitMs));
        Start(); // the next start finds the left-over lock and offers the edit
    }
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty() && Count(c.upload) > 0; },
                        kOfficeWaitMs))
        << LogText().toStdString();
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(Count(kResync) + Count(kEsign), 1);
    const QString doc = ServerDocument(c.report);
    EXPECT_TRUE(doc.contains(c.typed)) << LogText().toStdString() << doc.right(600).toStdString();
    EXPECT_FALSE(!c.refused.isEmpty() && doc.contains(c.refused));
    // LibreOffice itself refused the typing into and after the statement (the protected copy).
    EXPECT_TRUE(c.refused.isEmpty() ||
                LogText().contains(QStringLiteral("typed=False typed=False typed=True")));
    if (c.report == kOwnSigned) { // exactly one statement, the revision, unaltered
        EXPECT_EQ(doc.count(QStringLiteral("ESigned by")), 1);
        EXPECT_TRUE(doc.contains(Signing::kRevisionPrefix + QStringLiteral("Amelia Hart, MD on ")));
    }
    // The desk's editing profile, as LibreOffice reads it: no ODF question, Save As in TempFolder.
    EXPECT_TRUE(LogText().contains(QStringLiteral("WarnAlienFormat=False"))) << LogText().toStdString();
    EXPECT_TRUE(LogText().contains(QStringLiteral("Work=") +
                                   QUrl::fromLocalFile(CUtility().TempFolder()).toString()));
    EXPECT_TRUE(PendingStore::All().isEmpty());
    EXPECT_FALSE(QFile::exists(OfficeLockFilePath(handed)));
}

INSTANTIATE_TEST_SUITE_P(
    RealLibreOffice, Physician,
    ::testing::Values(
        Case{"SavedAsOdf" /* the .odt is converted back and sent */,
             kOther,
             QStringLiteral("start;type:Saved as ODF here. ;odf;close"),
             false,
             QStringLiteral("Saved as ODF here."),
             {},
             {kUpdated},
             kResync},
        Case{"KilledAfterSave" /* the left-over lock is seen */,
             kOther,
             QStringLiteral("start;type:Saved before the crash. ;store;kill"),
             false,
             QStringLiteral("Saved before the crash."),
             {},
             {kUpdated},
             kResync},
        Case{"KilledWhileDeskClosed" /* sent at the next start */,
             kOther,
             QStringLiteral("start;type:Kept over a restart. ;store;wait;kill"),
             true,
             QStringLiteral("Kept over a restart."),
             {},
             {kOther + QStringLiteral(" is still open in LibreOffice. Its edit is kept: it will be sent when "
                                      "LibreOffice closes it and the desk next starts."),
              QStringLiteral("1 edited report has not reached the server yet: R260004. Send it now?"),
              QStringLiteral("Document updated: R260004.")},
             kResync},
        Case{"SignedReport" /* typing into and after the statement refused */,
             kOwnSigned,
             QStringLiteral("find:Electronically;type:TAMPER;end;type:After the statement.;start;"
                            "type:Body edit. ;store;close"),
             false,
             QStringLiteral("Body edit."),
             QStringLiteral("TAMPER"),
             {kAttention, kUpdated},
             kEsign},
        Case{"SignedKilledWhileDeskClosed" /* re-signed at the next start */,
             kOwnSigned,
             QStringLiteral("start;type:Signed edit kept. ;store;wait;kill"),
             true,
             QStringLiteral("Signed edit kept."),
             {},
             {kAttention,
              kOwnSigned +
                  QStringLiteral(" is still open in LibreOffice. Its edit is kept: it will be sent when "
                                 "LibreOffice closes it and the desk next starts."),
              QStringLiteral("1 edited report has not reached the server yet: R260001. Send it now?"),
              QStringLiteral("Document updated: R260001.")},
             kEsign}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
