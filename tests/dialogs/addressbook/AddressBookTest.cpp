// The address book against the stand-in server's one book for the practice.
#include "dialogs/addressbook/AddressBook.h"
#include "dialogs/addressbook/CDlgAddEntry.h"
#include "dialogs/addressbook/CDlgAddressBook.h"
#include "tests/support/FakeDesk.h"
#include "transport/scripts/ServerAnswer.h"

namespace {

using AddressBookTest = ServerTest;

// The entry dialog's fields: company, first, middle and last name, fax, e-mail, telephone.
QLineEdit* Edit(QWidget& entry, int i) {
    static const char* const kEdits[] = {"companyEdit", "firstNameEdit", "middleNameEdit", "lastNameEdit",
                                         "faxEdit",     "emailEdit",     "phoneEdit"};
    return In<QLineEdit>(entry, kEdits[i]);
}

void Select(CDlgAddressBook& book, int row) {
    In<CReportListCtrl>(book, "entryList")->selectRow(row);
}

TEST_F(AddressBookTest, AddEditAndDeleteEachSendOneUpdateSayItWorkedAndShowTheBookAsItIsNow) {
    // The list's provider (the update's physicianid) differs from the user who fetches the book.
    Session().SetQueryPhysicianId(QStringLiteral("All"));
    FakeDesk desk;
    QStringList editOffered;
    bool waitShownDuringAdd = false;
    const LogCapture log;
    WhenShown<CDlgAddressBook> driver([&](CDlgAddressBook& book) {
        ASSERT_EQ(book.Model()->rowCount(), 12);
        EXPECT_EQ(Texts(book.Model(), 1).value(0), "101~Lakeside Cardiology~Paul~~Emerson~(555) 201-4410~"
                                                   "p.emerson@lakeside-cardio.example~(555) 201-4400");
        QLabel* wait = In<QLabel>(book, "updatingLabel");
        EXPECT_FALSE(wait->isVisible());
        {
            WhenShown<CDlgAddEntry> add([&](CDlgAddEntry& entry) {
                waitShownDuringAdd = wait->isVisible();
                // OK names the first missing required field and keeps the dialog open; company,
                // middle name and telephone may stay empty.
                const QStringList typed{"", " Nora ", "", "Quinn", "5550001", "nq@quinn.example", ""};
                for (const int required : {1, 3, 4, 5}) {
                    Click(entry, "okButton");
                    Edit(entry, required)->setText(typed[required]);
                }
                Click(entry, "okButton");
            });
            Click(book, "addButton");
        }
        EXPECT_FALSE(wait->isVisible());
        EXPECT_EQ(book.Model()->rowCount(), 13); // the book fetched again shows the new entry

        CReportListCtrl* list = In<CReportListCtrl>(book, "entryList");
        WhenShown<CDlgAddEntry> edit([&](CDlgAddEntry& entry) {
            for (int i = 0; i < 7; ++i) {
                editOffered.append(Edit(entry, i)->text());
            }
            Edit(entry, 4)->setText(QStringLiteral("5550002"));
            Click(entry, "okButton");
        });
        Select(book, 2); // key 103: no company, middle name or telephone; a double click edits it
        DoubleClick(list->viewport(), list->visualRect(list->model()->index(2, 3)).center());
        EXPECT_EQ(Texts(book.Model(), 1).filter("Hugo"),
                  QStringList{"103~~Hugo~~Lindgren~5550002~hugo.lindgren@mail.example~"});

        Select(book, 0);
        PromptsDouble::Current().QueueAnswer(Prompts::No);
        Click(book, "deleteButton"); // asked first; No keeps the entry
        Click(book, "deleteButton");
        EXPECT_EQ(book.Model()->rowCount(), 12);
        QTest::keyClick(In(book, "entryList"), Qt::Key_Return);
    });
    AddressBook(desk).Run();

    EXPECT_FALSE(waitShownDuringAdd) << "shown only while a request runs";
    EXPECT_EQ(editOffered,
              (QStringList{"", "Hugo", "", "Lindgren", "(555) 442-7781", "hugo.lindgren@mail.example", ""}));
    EXPECT_EQ(Queries(QStringLiteral("addressbook.php")), QStringList(3, "physicianid=12"));
    EXPECT_EQ(Queries(QStringLiteral("qm_address_update.php")),
              (QStringList{"physicianid=All&address=~Nora~~Quinn~5550001~nq@quinn.example~",
                           "physicianid=All&address=103~~Hugo~~Lindgren~5550002~hugo.lindgren@mail.example~",
                           "physicianid=All&address=101&delete=1"}));
    ASSERT_EQ(Shown(),
              (QStringList{"Please enter First name.", "Please enter Last name.", "Please enter Fax Number.",
                           "Please enter EMail-ID.", "Entry added successfully.", "Entry edited successfully",
                           "Delete Paul Emerson from the address book?",
                           "Delete Paul Emerson from the address book?", "Entry deleted successfully."}));
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    EXPECT_EQ(shown[5].title, QStringLiteral("Quillet"));
    EXPECT_EQ(shown[8].icon, Prompts::Icon::Information);
    EXPECT_FALSE(CUtility::FileExists(CUtility::TempFolder() + QStringLiteral("12_addressbook.txt")));
    EXPECT_TRUE(log.Messages().contains(QStringLiteral("OnPopAdd: Response, ~")));
    EXPECT_TRUE(log.Messages().contains(QStringLiteral("OnDestroy: Deleted address book")));
}

TEST_F(AddressBookTest, RefusedUpdatesSayEntryCouldNotAndKeepTheRow) {
    FakeDesk desk;
    QStringList menu;
    WhenShown<CDlgAddressBook> driver([&](CDlgAddressBook& book) {
        // Key 101 goes from the server behind the book's back: the edit and delete of its row fail.
        ASSERT_EQ(GetShortAnswer(
                      server_.BaseUrl() + "qm_address_update.php?physicianid=12&address=101&delete=1", false)
                      .response,
                  QStringLiteral("~"));
        Select(book, 0);
        {
            WhenShown<CDlgAddEntry> edit([](CDlgAddEntry& entry) { Click(entry, "okButton"); });
            Click(book, "editButton");
        }
        const std::unique_ptr<QMenu> popup = book.BuildContextMenu();
        for (QAction* action : popup->actions()) {
            menu.append(action->text() + (action->isEnabled() ? "" : " (greyed)"));
        }
        popup->actions().at(3)->trigger(); // "&Delete"
        EXPECT_EQ(book.Model()->rowCount(), 12);
        // An "&" in a value cuts the unescaped address short: the server refuses the entry.
        WhenShown<CDlgAddEntry> add([](CDlgAddEntry& entry) {
            const QStringList texts{"Smith & Jones", "Ann", "", "Smith", "5", "a@sj.example", ""};
            for (int i = 0; i < 7; ++i) {
                Edit(entry, i)->setText(texts[i]);
            }
            Click(entry, "okButton");
        });
        Click(book, "addButton");
        book.reject();
    });
    AddressBook(desk).Run();

    EXPECT_EQ(menu, (QStringList{"&Insert (greyed)", "&Add", "&Edit", "&Delete"}));
    EXPECT_EQ(
        Shown(),
        (QStringList{"Entry could not be edited successfully.", "Delete Paul Emerson from the address book?",
                     "Entry could not be deleted successfully", "Entry could not be added successfully."}));
    for (const Prompts::Box& box : PromptsDouble::Current().Shown()) {
        EXPECT_EQ(box.title, QStringLiteral("Molve"));
        EXPECT_EQ(box.icon, box.text.startsWith("Delete") ? Prompts::Icon::Question : Prompts::Icon::None);
    }
}

} // namespace
