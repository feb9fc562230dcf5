// The address book against the stand-in server's one book for the practice.
#include "dialogs/addressbook/AddressBook.h"
#include "dialogs/addressbook/CDlgAddEntry.h"
#include "dialogs/addressbook/CDlgAddressBook.h"
#include "dialogs/addressbook/ServerAnswer.h"
#include "host/core/CUtility.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "tests/dialogs/addressbook/DialogTestSupport.h"
#include "tests/reportlist/window/LogCapture.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace {

using AddressBookTest = ServerTest;

const char* const kEdits[] = {"ctl286", "ctl240", "ctl231", "ctl230", "ctl249", "ctl234", "ctl235"};

QLineEdit* Edit(QWidget* entry, int i) {
    return entry->findChild<QLineEdit*>(QString::fromLatin1(kEdits[i]));
}

QStringList EditTexts(QWidget* entry) {
    QStringList texts;
    for (int i = 0; i < 7; ++i) {
        texts.append(Edit(entry, i)->text());
    }
    return texts;
}

// Types the fields into the entry dialog and presses OK.
void FillAndOk(QWidget* entry, const QStringList& texts) {
    for (int i = 0; i < 7; ++i) {
        Edit(entry, i)->setText(texts.value(i));
    }
    Click(entry, "ctl1");
}

void Select(CDlgAddressBook* book, int row) {
    book->findChild<CReportListCtrl*>(QStringLiteral("ctl285"))->selectRow(row);
}

QStringList Row(const CDlgAddressBook* book, int row) {
    QStringList cells;
    for (int c = 1; c < book->Model()->columnCount(); ++c) {
        cells.append(book->Model()->CellText(row, c));
    }
    return cells;
}

} // namespace

TEST_F(AddressBookTest, AddEditDeleteRoundTripAndTheNextOpeningShowsTheChanges) {
    // The list's provider (the update's physicianid) differs from the user who fetches the book.
    Session().SetQueryPhysicianId(QStringLiteral("All"));
    FakeDesk desk;
    QStringList editOffered;
    bool waitShownDuringAdd = false;
    const LogCapture log;
    WhenShown<CDlgAddressBook>([&](CDlgAddressBook* book) {
        ASSERT_EQ(book->Model()->rowCount(), 12);
        EXPECT_EQ(Row(book, 0),
                  (QStringList{"101", "Lakeside Cardiology", "Paul", "", "Emerson", "(555) 201-4410",
                               "p.emerson@lakeside-cardio.example", "(555) 201-4400"}));
        QLabel* wait = book->findChild<QLabel*>(QStringLiteral("ctl256"));
        EXPECT_FALSE(wait->isVisible());
        WhenShown<CDlgAddEntry>([&](CDlgAddEntry* entry) {
            waitShownDuringAdd = wait->isVisible();
            // OK names the first missing required field and keeps the dialog open; company,
            // middle name and telephone may stay empty.
            const QStringList typed{"", " Nora ", "", "Quinn", "5550001", "nq@quinn.example", ""};
            for (const int required : {1, 3, 4, 5}) {
                Click(entry, "ctl1");
                Edit(entry, required)->setText(typed[required]);
            }
            Click(entry, "ctl1");
        });
        Click(book, "ctl6");
        EXPECT_FALSE(wait->isVisible());
        EXPECT_EQ(book->Model()->rowCount(), 12); // shown when the book is opened again

        Select(book, 2); // key 103: no company, middle name or telephone
        WhenShown<CDlgAddEntry>([&](CDlgAddEntry* entry) {
            editOffered = EditTexts(entry);
            Edit(entry, 4)->setText(QStringLiteral("5550002"));
            Click(entry, "ctl1");
        });
        Click(book, "ctl5");

        Select(book, 0);
        Click(book, "ctl4");
        EXPECT_EQ(book->Model()->rowCount(), 11);
        EXPECT_EQ(book->Model()->CellText(0, 1), QStringLiteral("102"));
        QTest::keyClick(book->findChild<CReportListCtrl*>(QStringLiteral("ctl285")), Qt::Key_Return);
    });
    AddressBook(desk).Run();

    EXPECT_TRUE(waitShownDuringAdd);
    EXPECT_EQ(editOffered,
              (QStringList{"", "Hugo", "", "Lindgren", "(555) 442-7781", "hugo.lindgren@mail.example", ""}));
    EXPECT_EQ(Queries(QStringLiteral("addressbook.php")), QStringList{"physicianid=12"});
    EXPECT_EQ(Queries(QStringLiteral("qm_address_update.php")),
              (QStringList{"physicianid=All&address=~Nora~~Quinn~5550001~nq@quinn.example~",
                           "physicianid=All&address=103~~Hugo~~Lindgren~5550002~hugo.lindgren@mail.example~",
                           "physicianid=All&address=101&delete=1"}));
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown().mid(4);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(Shown(),
              (QStringList{"Please enter First name.", "Please enter Last name.", "Please enter Fax Number.",
                           "Please enter EMail-ID.", "Entry added successfully.", "Entry edited successfully",
                           "Entry deleted successfully."}));
    EXPECT_EQ(shown[1].title, QStringLiteral("Quillet"));
    EXPECT_EQ(shown[2].icon, Prompts::Icon::Information);
    EXPECT_FALSE(CUtility().FileExists(CUtility().TempFolder() + QStringLiteral("12_addressbook.txt")));
    EXPECT_TRUE(log.Messages().contains(QStringLiteral("OnPopAdd: Response, ~")));
    EXPECT_TRUE(log.Messages().contains(QStringLiteral("OnDestroy: Deleted address book")));

    QStringList rows;
    WhenShown<CDlgAddressBook>([&](CDlgAddressBook* book) {
        for (int r = 0; r < book->Model()->rowCount(); ++r) {
            rows.append(Row(book, r).join('~'));
        }
        Click(book, "ctl2");
    });
    AddressBook(desk).Run();
    EXPECT_EQ(rows.size(), 12);
    EXPECT_FALSE(rows.join('\n').contains(QStringLiteral("101~")));
    EXPECT_TRUE(rows.contains(QStringLiteral("103~~Hugo~~Lindgren~5550002~hugo.lindgren@mail.example~")));
    EXPECT_TRUE(rows.last().contains(QStringLiteral("~Nora~~Quinn~5550001~")));
}

TEST_F(AddressBookTest, RefusedUpdatesSayEntryCouldNotAndKeepTheRow) {
    Session().SetQueryPhysicianId(QStringLiteral("12"));
    FakeDesk desk;
    QStringList menu;
    WhenShown<CDlgAddressBook>([&](CDlgAddressBook* book) {
        // Key 101 goes from the server behind the book's back: the edit and delete of its row fail.
        ASSERT_EQ(GetShortAnswer(
                      server_.BaseUrl() + "qm_address_update.php?physicianid=12&address=101&delete=1", false)
                      .response,
                  QStringLiteral("~"));
        Select(book, 0);
        WhenShown<CDlgAddEntry>([](CDlgAddEntry* entry) { Click(entry, "ctl1"); });
        Click(book, "ctl5");
        const std::unique_ptr<QMenu> popup = book->BuildContextMenu();
        for (QAction* action : popup->actions()) {
            menu.append(action->text() + (action->isEnabled() ? "" : " (greyed)"));
        }
        popup->actions().at(3)->trigger(); // "&Delete"
        EXPECT_EQ(book->Model()->rowCount(), 12);
        // An "&" in a value cuts the unescaped address short: the server refuses the entry.
        WhenShown<CDlgAddEntry>([](CDlgAddEntry* entry) {
            FillAndOk(entry, {"Smith & Jones", "Ann", "", "Smith", "5", "a@sj.example"});
        });
        Click(book, "ctl6");
        book->reject();
    });
    AddressBook(desk).Run();

    EXPECT_EQ(menu, (QStringList{"&Insert (greyed)", "&Add", "&Edit", "&Delete"}));
    EXPECT_EQ(Shown(), (QStringList{"Entry could not be edited successfully.",
                                    "Entry could not be deleted successfully",
                                    "Entry could not be added successfully."}));
    for (const Prompts::Box& box : PromptsDouble::Current().Shown()) {
        EXPECT_EQ(box.title, QStringLiteral("Molve"));
        EXPECT_EQ(box.icon, Prompts::Icon::None);
    }
}
