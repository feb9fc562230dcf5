// A hostile report server: lists, versions and address books whose names aim outside the desk's
// folders, run through every action that builds a path from a name. Nothing outside the desk's
// folders may be read, written, uploaded or opened, the desk must stay responsive, and the user
// must hear that the name was refused.
#include "dialogs/fax/CDlgFax.h"
#include "dialogs/fax/Fax.h"
#include "dialogs/history/CDlgDocumentHistory.h"
#include "dialogs/history/DocumentHistory.h"
#include "dialogs/voice/VoicePlayback.h"
#include "documents/demographics/CDlgEditDemographics.h"
#include "documents/demographics/EditDemographics.h"
#include "documents/esign/EsignDocuments.h"
#include "documents/open/OpenDocument.h"
#include "documents/print/PrintDocuments.h"
#include "tests/support/FakeDesk.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/Watchdog.h"

#include <QDirIterator>

namespace {

using namespace std::chrono_literals;

// Every file under folder with its bytes and time: what "untouched" is compared against.
QMap<QString, QPair<QByteArray, qint64>> Snapshot(const QString& folder) {
    QMap<QString, QPair<QByteArray, qint64>> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        files.insert(f.fileName(), {f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(),
                                    QFileInfo(f).lastModified().toMSecsSinceEpoch()});
    }
    return files;
}

// An action that builds a path from a name: from the row's (list type "t", or "p" for Play), or
// from a real report's version list or address book, which the server answers with the name.
struct Action {
    const char* name;
    const char* type;
    bool byRow;
    void (*run)(StandInServer& server, FakeDesk& desk, const QString& name);
};

void PrintTo(const Action& a, std::ostream* os) {
    *os << a.name;
}

const Action kActions[] = {
    {"Open", "t", true, [](auto&, FakeDesk& desk, auto&) { OpenDocument(desk).Run(); }},
    {"Esign", "t", true, [](auto&, FakeDesk& desk, auto&) { EsignDocuments(desk).OnPopEsign(); }},
    {"Print", "t", true, [](auto&, FakeDesk& desk, auto&) { PrintDocuments(desk).Run(); }},
    {"EditDemographics", "t", true,
     [](auto&, FakeDesk& desk, auto&) {
         const WhenShown<CDlgEditDemographics> ok([](CDlgEditDemographics& d) { Click(d, "okButton"); });
         EditDemographics(desk).Run();
     }},
    {"Play", "p", true, [](auto&, FakeDesk& desk, auto&) { VoicePlayback(desk).Run(); }},
    {"History", "t", false,
     [](StandInServer& server, FakeDesk& desk, const QString& name) {
         ASSERT_TRUE(server.SetZippedAnswer("qm_versionlist.php", "R260001_versions.txt",
                                            (name + "|01/02/2026|01/03/2026|R260001.v1\n").toUtf8()));
         const WhenShown<CDlgDocumentHistory> view([](CDlgDocumentHistory& d) {
             In<CReportListCtrl>(d, "versionList")->selectRow(0);
             Click(d, "viewDocumentButton");
             Click(d, "closeButton");
         });
         DocumentHistory(desk).Run();
     }},
    {"Fax", "t", false, [](StandInServer& server, FakeDesk& desk, const QString& name) {
         ASSERT_TRUE(server.SetZippedAnswer("addressbook.php", "12_addressbook.txt",
                                            (name + "~Clinic~Ann~ ~Lee~555-0101~a@x~ \n"
                                                    "101~ ~Hugo~ ~Lindgren~555-0102~h@x~ \n")
                                                .toUtf8()));
         const WhenShown<CDlgFax> send([](CDlgFax& fax) {
             for (int row = 0; row < fax.Contacts()->Model()->rowCount(); ++row) {
                 fax.SetChecked(row, true);
             }
             PromptsDouble::Current().QueueAnswer(Prompts::Ok);
             fax.accept();
         });
         Fax(desk).Run();
     }}};

class HostileServer : public ServerTest, public ::testing::WithParamInterface<Action> {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        Shell::Install(nullptr); // the desktop's programs are the fakes on PATH
        desktop_.SetDefaultPrinter("PDF");
        Session().SetSignatureLine("12~Amelia Hart, MD");
        Session().SetSystemFolder(victim_.path()); // no converter there
        // What a name aimed outside would reach: a letter, a key and planted dictation.
        for (const auto& [file, bytes] : {std::pair{"letter.doc", "{\\rtf1\\ansi Dear friend,\\par}"},
                                          {"secret", "PRIVATE KEY"},
                                          {"letter.dss", "not audio"},
                                          {"letter.wav", "RIFF planted"}}) {
            WriteFile(victim_.filePath(file), bytes);
        }
        // A Play of a plain name gets a page instead of audio.
        ASSERT_TRUE(server_.SetAnswer("download_play_voicefile.php", "<html><script>run()</script></html>"));
    }

    // Names from the server, aimed at the victim's files from any folder depth.
    QList<std::pair<const char*, QString>> Names() const {
        const QString up = QStringLiteral("../").repeated(20) + victim_.path().mid(1);
        return {{"slashes", up + "/letter"},
                {"nul after a path", up + "/secret" + QChar(u'\0')},
                {"nul after a plain name", "payload.html" + QString(QChar(u'\0'))},
                {"a device", QStringLiteral("../").repeated(20) + "dev/zero" + QChar(u'\0')}, // read for ever
                {"backslashes", "..\\..\\letter"},
                {"dots", "R260019..doc"},
                {"control character", "R2600" + QString(QChar(0x1B)) + "19"},
                {"leading dash", "-letter"},
                {"leading dot", ".letter"},
                {"over-long", QString(200, QLatin1Char('R'))}};
    }

    // Runs the action on a list that shows name where the action takes its name from.
    void Run(const Action& action, const QString& name) {
        PromptsDouble::Current().Clear();
        FakeDesk desk = FakeDesk::Of(action.type, FakeDesk::Named({action.byRow ? name : "R260001"}));
        desk.downloads = true;
        action.run(server_, desk, name);
    }

    QTemporaryDir victim_;
    FakeDesktop desktop_;
};

TEST_P(HostileServer, NamesAimedOutsideReachNothingAndTheUserIsTold) {
    for (const auto& [label, name] : Names()) {
        SCOPED_TRACE(label);
        const auto before = Snapshot(victim_.path());
        const qsizetype requests = server_.Journal().size();
        {
            const Watchdog guard(std::string("an action on the name ") + label, 60s);
            Run(GetParam(), name);
        }
        EXPECT_EQ(Snapshot(victim_.path()), before) << "a file outside the desk's folders was written";
        for (const QJsonObject& request : server_.Journal().mid(requests)) {
            EXPECT_TRUE(request["files"].toArray().isEmpty())
                << "uploaded: " << request["path"].toString().toStdString();
            for (const QJsonValue& field : request["fields"].toArray()) {
                EXPECT_FALSE(field["value"].toString().contains(name.left(12)))
                    << "the name reached the server";
            }
        }
        EXPECT_TRUE(desktop_.Opened().isEmpty()) << desktop_.Opened().join(' ').toStdString();
        for (const QStringList& call : desktop_.SofficeCalls()) {
            EXPECT_FALSE(call.join(' ').contains(victim_.path())) << call.join(' ').toStdString();
        }
        EXPECT_FALSE(Shown().isEmpty()) << "the user was not told";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryAction, HostileServer, ::testing::ValuesIn(kActions),
                         ::testing::PrintToStringParamName());

} // namespace
