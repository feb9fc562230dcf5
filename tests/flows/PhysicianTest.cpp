// The edit flows against the real LibreOffice: the desk's soffice is the scripted physician
// (tests/support/scripted_physician.py), which types through LibreOffice's own dispatcher, saves
// as the case says, and closes the document or kills LibreOffice with it open.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WordHoldsFile.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

constexpr int kOfficeWaitMs = 180000; // LibreOffice starts slowly on a loaded machine

// What the physician does (see the script) to a report, and what they then see besides the
// warning an e-signed report opens with. The text typed after "start" must reach the server,
// refused must not. With a "wait" step the desk is closed while LibreOffice holds the report
// (the physician is told the edit is kept) and started again after (it offers and sends the edit).
struct Case {
    const char* name;
    QString report, steps;
    QStringList shown = {};
    QString refused = {};
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const QString kTamper = u"find:Electronically;type:TAMPER;end;type:After the statement.;"_s;
// The .odt converted back, the left-over lock seen, the edit sent at the next start; typing into and
// after the statement refused, the edit of a signed report re-signed at the next start.
const Case kCases[] = {
    {"SavedAsOdf", kOther, "start;type:Saved as ODF here. ;odf;close", {kUpdated}},
    {"KilledAfterSave", kOther, "start;type:Saved before the crash. ;store;kill", {kUpdated}},
    {"KilledWhileDeskClosed", kOther, "start;type:Kept over a restart. ;store;wait;kill"},
    {"SignedReport", kOwnSigned, kTamper + "start;type:Body edit. ;store;close", {kUpdated}, "TAMPER"},
    {"SignedKilledWhileDeskClosed", kOwnSigned, "start;type:Signed edit kept. ;store;wait;kill"},
};

class Physician : public FlowsFixture, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        FlowsFixture::SetUp();
        const QString seed = QStringLiteral(VELMO_PHYSICIAN_SEED);
        if (!QFile::exists(seed + u"/user/registrymodifications.xcu"_s)) {
            GTEST_SKIP() << "LibreOffice with python3-uno is needed (no seeded profile at "
                         << seed.toStdString() << ")";
        }
        // The desk's headless conversions start from the seeded profile too, not from a new one.
        QProcess::execute(u"cp"_s, {u"-a"_s, seed, CUtility::ProfileFolder() + u"LibreOffice"_s});
        QFile::link(QStringLiteral(VELMO_PHYSICIAN_SCRIPT), bin_.filePath(u"soffice"_s));
        env_.PrependPath(QFile::encodeName(bin_.path()));
        env_.Set("VELMO_PHYSICIAN_SEED", seed.toUtf8());
        env_.Set("VELMO_PHYSICIAN_LOG", Log().toUtf8());
        env_.Set("VELMO_PHYSICIAN", GetParam().steps.toUtf8());
        Delays::Get().monitorPoll = 100;
    }
    QString Log() const { return bin_.filePath(u"physician.log"_s); }
    QString LogText() const { return ReadText(Log()); }

    QTemporaryDir bin_;
    ScopedEnv env_; // after the fakes' PATH, restored before it
};

TEST_P(Physician, EditReachesTheServerIntact) {
    const Case& c = GetParam();
    const QString typed = QRegularExpression(u"start;type:([^;]*)"_s).match(c.steps).captured(1).trimmed();
    const QString upload = c.report == kOwnSigned ? kEsign : kResync; // a signed report is re-signed
    const bool restart = c.steps.contains(u";wait;"_s);
    const QStringList shown =
        (c.report == kOwnSigned ? QStringList{kAttention} : QStringList()) +
        (restart ? QStringList{kStillOpen.arg(c.report), kOfferedAtStart.arg(c.report)} : c.shown);
    Start();
    Answers({Prompts::Yes}); // the offer at the next start
    Select({c.report});
    Click("openButton");
    const QString handed = Handed(c.report);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(OfficeLockFilePath(Handed(c.report))); }, kOfficeWaitMs));
    if (restart) {
        Close();                                            // tells the physician the edit is kept
        QFile(Log() + u".go"_s).open(QIODevice::WriteOnly); // then LibreOffice is killed
        ASSERT_TRUE(WaitFor([&] { return LogText().contains(u"args="_s); }, kOfficeWaitMs));
        Start(); // the next start finds the left-over lock and offers the edit
    }
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty() && Count(upload) > 0; },
                        kOfficeWaitMs))
        << LogText().toStdString();
    EXPECT_EQ(Shown(), shown);
    EXPECT_EQ(Count(kResync) + Count(kEsign), 1);
    const QString doc = ServerDocument(c.report);
    EXPECT_TRUE(doc.contains(typed)) << LogText().toStdString() << doc.right(600).toStdString();
    EXPECT_FALSE(!c.refused.isEmpty() && doc.contains(c.refused));
    // LibreOffice itself refused the typing into and after the statement (the protected copy).
    EXPECT_TRUE(c.refused.isEmpty() || LogText().contains(u"typed=False typed=False typed=True"_s));
    if (c.report == kOwnSigned) { // exactly one statement, the revision, unaltered
        EXPECT_EQ(doc.count(u"ESigned by"_s), 1);
        EXPECT_TRUE(doc.contains(Signing::kRevisionPrefix + u"Amelia Hart, MD on "_s));
    }
    // The desk's editing profile, as LibreOffice reads it: no ODF question, Save As in TempFolder.
    EXPECT_TRUE(LogText().contains(u"WarnAlienFormat=False"_s)) << LogText().toStdString();
    EXPECT_TRUE(LogText().contains(u"Work="_s + QUrl::fromLocalFile(CUtility::TempFolder()).toString()));
    EXPECT_TRUE(PendingStore::All().isEmpty());
    EXPECT_FALSE(QFile::exists(OfficeLockFilePath(handed)));
}

INSTANTIATE_TEST_SUITE_P(RealLibreOffice, Physician, ::testing::ValuesIn(kCases),
                         ::testing::PrintToStringParamName());

} // namespace
