// Fax: the split of the selection, the contact book and the one post to the fax queue.
#include "dialogs/fax/Fax.h"
#include "desk/StatusLine.h"
#include "dialogs/fax/CDlgFax.h"
#include "dialogs/fax/ContactBook.h"
#include "dialogs/fax/FaxSelection.h"
#include "tests/support/FakeDesk.h"
#include "transport/scripts/ServerAnswer.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace {

using FaxDialogTest = ServerTest;
using FaxFromTheWindowTest = WindowFixture;

const QString kConfirm =
    QStringLiteral("Please confirm if you want to send fax to the selected recipient(s)");
const QString kQueued = QStringLiteral("Documents queued successfully for faxing");
const QString kEmerson = QStringLiteral("recipient=101~Lakeside Cardiology~(555) 201-4410");

QStringList Column(const CReportListCtrl* list, int column) {
    return Texts(list->Model(), column, column);
}

// Checks the contact with this last name and sends with the confirmation answered OK.
void CheckAndSend(CDlgFax& fax, const QString& last) {
    fax.SetChecked(static_cast<int>(Column(fax.Contacts(), CDlgFax::LastName).indexOf(last)), true);
    PromptsDouble::Current().QueueAnswer(Prompts::Ok);
    fax.accept();
}

TEST(FaxSelection, SelectedRowsAreSplitByTheFaxFlagWithBlanksAndMissingColumnsKeptInPlace) {
    const FaxSelection s = FaxSelection::FromDesk(
        FakeDesk::Of("t",
                     {{{"1", "R1", "Ann", "", "Consult"}, "111111", "12"},
                      {{"2", "R2", "Bo", "Lee", "Letter"}, "110111", "15"},
                      {{"3", "R3", " ", "Kim", "Note"}, "11", "18"}, // short flags do not refuse
                      {{"4", "R4", "Cy", "Ray", "Op"}, "000000", "12"}},
                     {"Sr.#", "Filename", "first name", "Last Name", "Report Type"}));
    EXPECT_EQ(s.accepted, (QStringList{"R1~Ann~ ~Consult", "R3~ ~Kim~Note"}));
    EXPECT_EQ(s.owners, (QStringList{"12", "18"}));
    EXPECT_EQ(s.refused, (QStringList{"R2~Bo~Lee~Letter", "R4~Cy~Ray~Op"}));
}

TEST(ContactBook, LinesAreReadToTheFirstBlankLineAndFieldsTakenByTheirPlace) {
    const QTemporaryDir dir;
    EXPECT_EQ(
        ContactBook::ReadLines(WriteFile(dir.filePath("book.txt"),
                                         "101~Lakeside~Paul~ ~Emerson~555-1~p@x~555-0\r\n102~Harbor~Chloe\n"
                                         "\n103~After~the~blank\n")),
        (QStringList{"101~Lakeside~Paul~ ~Emerson~555-1~p@x~555-0", "102~Harbor~Chloe"}));
    const struct {
        QString line, shown, recipient; // shown: fax cell, last name, first name
    } cases[] = {
        {"101~Lakeside~Paul~ ~Emerson~555-1~p@x~555-0", "  555-1|Emerson|Paul", "101~Lakeside~555-1"},
        {"103~ ~Hugo~ ~Lindgren~555-3~h@x~ ", "  555-3|Lindgren|Hugo", "103~~555-3"}, // blank company
        {"102~Harbor~Chloe", "||Chloe", "102~Harbor~"},                               // a short line
        // An empty field anyway: the splitter leaves the second "~" on the next piece and the
        // later fields move one place to the left.
        {"104~~Maya~R~Sterling~555-4~m@x", "  m@x|555-4|R", "104~~Maya~m@x"},
    };
    for (const auto& c : cases) {
        const Contact contact = Contact::FromLine(c.line);
        const QString last = contact.fields >= Contact::kLastField ? contact.last : QString();
        EXPECT_EQ(contact.FaxCell() + '|' + last + '|' + contact.first, c.shown) << c.line.toStdString();
        EXPECT_EQ(contact.RecipientEntry(), c.recipient) << c.line.toStdString();
    }
}

TEST_F(FaxDialogTest, RefusedReportsAreToldFirstAndTheAcceptedArePosted) {
    FakeDesk desk = FakeDesk::Of("t", {{{"R1"}, "110111"}, {{"R2"}, "000000"}});
    Fax(desk).Run();
    desk.selected.clear();
    Fax(desk).Run();
    EXPECT_EQ(Shown(), (QStringList{"User does not privilege to fax these files\nR1\nR2\n",
                                    "Select a document to fax."}));
    EXPECT_TRUE(server_.JournalFor(QStringLiteral("addressbook.php")).isEmpty());

    // A mixed selection: refused first, then the accepted listed. The first report has no report
    // type: no such column even though a later report has one. R999999 is unknown to the server,
    // which answers with a sentence shown as it came.
    PromptsDouble::Current().Clear();
    desk = FakeDesk::Of("t",
                        {{{"R999999", "Zed", "Adams", "NA"}},
                         {{"R260001", "Amy", "Baker", "Consult"}},
                         {{"R260002", "Cal", "Dunn", "Letter"}, "000000"}},
                        {"Filename", "First Name", "Last Name", "Report Type"});
    WhenShown<CDlgFax> driver([&](CDlgFax& fax) {
        EXPECT_EQ(Shown(),
                  QStringList{"User does not privilege to fax the file R260002: Cal Dunn, Letter\n"});
        EXPECT_EQ(Column(fax.Reports(), 1), (QStringList{"R999999", "R260001"})); // sorted by last name
        CheckAndSend(fax, QStringLiteral("Emerson"));
    });
    Fax(desk).Run();
    EXPECT_EQ(Shown().mid(1), (QStringList{kConfirm, "The report R999999 could not be found."}));
    EXPECT_EQ(desk.statusWrites + desk.downloaded, QStringList()) << "names are sent, the server marks";
    EXPECT_EQ(JournalFields(server_, QStringLiteral("addtofaxqueue.php")),
              (QList<QStringList>{{kEmerson, "loginid=12", "faxdoc=R999999;R260001"}}));
}

TEST_F(FaxDialogTest, TheServerRefusesARecipientWhoseFaxNumberIsNotInTheBook) {
    FakeDesk desk = FakeDesk::Of("t", {{{"R260001"}}});
    WhenShown<CDlgFax> driver([&](CDlgFax& fax) {
        // The contact's number changes on the server after the book was read.
        ASSERT_EQ(GetShortAnswer(server_.BaseUrl() +
                                     "qm_address_update.php?physicianid=12&address=101~Lakeside~"
                                     "Paul~~Emerson~5550100~p.emerson@lakeside-cardio.example~",
                                 false)
                      .response,
                  QStringLiteral("~"));
        CheckAndSend(fax, QStringLiteral("Emerson"));
    });
    Fax(desk).Run();
    EXPECT_EQ(JournalFields(server_, QStringLiteral("addtofaxqueue.php")),
              (QList<QStringList>{{kEmerson, "loginid=12", "faxdoc=R260001"}}));
    // The server's sentence (without its tildes) is shown as it came.
    EXPECT_EQ(Shown(),
              (QStringList{kConfirm, "The fax number of 101-Lakeside Cardiology-(555) 201-4410 is not in "
                                     "the address book."}));
}

TEST_F(FaxFromTheWindowTest, TwoReportsGoToTwoCheckedContacts) {
    CVelmoPropPage& page = Start();
    ASSERT_GE(page.RowCount(), 2);
    SelectRow(0);
    SelectRow(1, true);
    const QStringList names{page.Filename(0), page.Filename(1)};

    WhenShown<CDlgFax> driver([&](CDlgFax& fax) {
        Click(fax, "refreshContactsButton"); // Refresh Contacts
        ASSERT_EQ(fax.Contacts()->Model()->rowCount(), 12);
        fax.accept(); // nothing checked yet
        const QStringList lastNames = Column(fax.Contacts(), CDlgFax::LastName);
        EXPECT_TRUE(std::is_sorted(
            lastNames.begin(), lastNames.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; }))
            << "the refreshed book keeps its sort: " << lastNames.join(',').toStdString();
        fax.SetChecked(static_cast<int>(lastNames.indexOf("Emerson")), true);
        fax.SetChecked(static_cast<int>(lastNames.indexOf("Falkner")), true);
        PromptsDouble::Current().QueueAnswer(Prompts::Ok);
        Click(fax, "sendFaxButton");
    });
    Click(Button("faxButton"));

    EXPECT_EQ(JournalQueries(server_, QStringLiteral("addressbook.php")),
              (QStringList{"physicianid=12", "physicianid=12"}));
    EXPECT_EQ(Shown(), (QStringList{"Please select a Recipient.", kConfirm, kQueued}));
    // The box is gone once dismissed; the status line keeps what went where.
    EXPECT_TRUE(page.Status()->Note().startsWith("Queued for faxing: " + names.value(0).left(1)));
    EXPECT_TRUE(page.Status()->Note().endsWith(" to (555) 201-4410, (555) 909-4512"));
    SaveShot(page, QStringLiteral("status-line.png"));
    const QString recipients = kEmerson + "|108~Summit Neurology~(555) 909-4512";
    EXPECT_THAT(JournalFields(server_, QStringLiteral("addtofaxqueue.php")),
                testing::AnyOf(
                    QList<QStringList>{{recipients, "loginid=12", "faxdoc=" + names.join(';')}},
                    QList<QStringList>{{recipients, "loginid=12", "faxdoc=" + names[1] + ';' + names[0]}}));
}

} // namespace
