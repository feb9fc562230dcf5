// The address book against the stand-in server's one book for the practice.
#include "dialogs/addressbook/AddressBook.h"
#include "dialogs/addressbook/CDlgAddEntry.h"
#include "dialogs/addressbook/CDlgAddressBook.h"
#include "dialogs/addressbook/ServerAnswer.h"
#include "host/core/CUtility.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "tests/dialogs/addressbook/DialogTestSupport.h"
#include "tests/reportlist/window/LogCapture.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

using AddressBookTest = ServerTest;

const char* const kEdits[] = {"ctl286", "ctl240", "ctl231", "ctl230", "ctl249", "ctl234", "ctl235"};

QStringList EditTexts(QWidget* entry) {
    QStringList texts;
    for (const char* name : kEdits) {
        texts.append(entry->findChild<QLineEdit*>(QString::fromLatin1(name))->text());
    }
    return texts;
}

void Fill(QWidget* entry, const QStringList& texts) {
    for (int i = 0; i < 7; ++i) {
        entry->findChild<QLineEdit*>(QString::fromLatin1(kEdits[i]))->setText(texts.value(i));
    }
}

void Click(QWidget* dialog, const char* name) {
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

CReportListCtrl* ListOf(CDlgAddressBook* book) {
    return book->findChild<CReportListCtrl*>(QStringLiteral("ctl285"));
}

void Select(CDlgAddressBook* book, int row) {
    CReportListCtrl* list = ListOf(book);
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QStringList Row(const ReportListModel* model, int row) {
    QStringList cells;
    for (int c = 1; c < model->columnCount(); ++c) {
        cells.append(model->CellText(row, c));
    }
    return cells;
}

} // namespace

TEST_F(AddressBookTest, AddEditDeleteRoundTripAndTheNextOpeningShowsTheChanges) {
    // The list's provider (the update's physicianid) differs from the user who fetches the book.
    Session().SetQueryPhysicianId(QStringLiteral("All"));
    FakeDesk desk;
    QStringList shownWhileAdding;
    QStringList editOffered;
    bool waitShownDuringAdd = false;
    const LogCapture log;

    WhenShown<CDlgAddressBook>([&](CDlgAddressBook* book) {
        ReportListModel* model = book->Model();
        ASSERT_EQ(model->rowCount(), 12);
        EXPECT_EQ(Row(model, 0),
                  (QStringList{"101", "Lakeside Cardiology", "Paul", "", "Emerson", "(555) 201-4410",
                               "p.emerson@lakeside-cardio.example", "(555) 201-4400"}));
        EXPECT_TRUE(ListOf(book)->isColumnHidden(1));
        EXPECT_TRUE(ListOf(book)->isColumnHidden(8));
        QLabel* wait = book->findChild<QLabel*>(QStringLiteral("ctl256"));
        EXPECT_FALSE(wait->isVisible());

        WhenShown<CDlgAddEntry>([&](CDlgAddEntry* entry) {
            waitShownDuringAdd = wait->isVisible();
            Fill(entry, {"", "Nora", "", "Quinn", "5550001", "nq@quinn.example", ""});
            Click(entry, "ctl1");
        });
        Click(book, "ctl6");
        EXPECT_FALSE(wait->isVisible());
        EXPECT_EQ(model->rowCount(), 12); // shown only when the book is opened again

        // Key 103 has no company, middle name or telephone: the blanks keep the places.
        Select(book, 2);
        WhenShown<CDlgAddEntry>([&](CDlgAddEntry* entry) {
            editOffered = EditTexts(entry);
            entry->findChild<QLineEdit*>(QStringLiteral("ctl249"))->setText(QStringLiteral("5550002"));
            Click(entry, "ctl1");
        });
        Click(book, "ctl5");

        Select(book, 0);
        Click(book, "ctl4");
        EXPECT_EQ(model->rowCount(), 11);
        EXPECT_EQ(model->CellText(0, 1), QStringLiteral("102"));
        QTest::keyClick(ListOf(book), Qt::Key_Return); // Enter closes the book
    });
    AddressBook(desk).Run();

    EXPECT_EQ(editOffered,
              (QStringList{"", "Hugo", "", "Lindgren", "(555) 442-7781", "hugo.lindgren@mail.example", ""}));
    EXPECT_TRUE(waitShownDuringAdd);
    EXPECT_EQ(Queries("addressbook.php"), QStringList{"physicianid=12"});
    EXPECT_EQ(Queries("qm_address_update.php"),
              (QStringList{"physicianid=All&address=~Nora~~Quinn~5550001~nq@quinn.example~",
                           "physicianid=All&address=103~~Hugo~~Lindgren~5550002~hugo.lindgren@mail.example~",
                           "physicianid=All&address=101&delete=1"}));
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].text, QStringLiteral("Entry added successfully."));
    EXPECT_EQ(shown[1].text, QStringLiteral("Entry edited successfully"));
    EXPECT_EQ(shown[1].title, QStringLiteral("Quillet"));
    EXPECT_EQ(shown[2].text, QStringLiteral("Entry deleted successfully."));
    for (const Prompts::Box& box : shown) {
        EXPECT_EQ(box.icon, Prompts::Icon::Information) << box.text.toStdString();
    }
    EXPECT_FALSE(CUtility().FileExists(CUtility().TempFolder() + QStringLiteral("12_addressbook.txt")));
    const QStringList messages = log.Messages();
    EXPECT_TRUE(messages.contains(QStringLiteral("OnPopAdd: Response, ~")));
    EXPECT_TRUE(messages.contains(QStringLiteral("OnDestroy: Deleted address book")));

    QStringList keys;
    QStringList faxOf103;
    WhenShown<CDlgAddressBook>([&](CDlgAddressBook* book) {
        for (int r = 0; r < book->Model()->rowCount(); ++r) {
            keys.append(book->Model()->CellText(r, 1));
            if (keys.last() == QStringLiteral("103")) {
                faxOf103.append(book->Model()->CellText(r, 6));
            }
        }
        Click(book, "ctl2");
    });
    AddressBook(desk).Run();
    EXPECT_EQ(keys.size(), 12);
    EXPECT_FALSE(keys.contains(QStringLiteral("101")));
    EXPECT_EQ(faxOf103, QStringList{"5550002"});
}

TEST_F(AddressBookTest, RefusedUpdatesSayEntryCouldNotAndKeepTheRow) {
    Session().SetQueryPhysicianId(QStringLiteral("12"));
    FakeDesk desk;
    QStringList menuTexts;
    QStringList menuEnabled;
    WhenShown<CDlgAddressBook>([&](CDlgAddressBook* book) {
        // Key 101 goes from the server behind the book's back: the edit and delete of its row
        // are refused.
        ASSERT_EQ(GetShortAnswer(
                      server_.BaseUrl() + "qm_address_update.php?physicianid=12&address=101&delete=1", false)
                      .response,
                  QStringLiteral("~"));
        Select(book, 0);
        WhenShown<CDlgAddEntry>([](CDlgAddEntry* entry) { Click(entry, "ctl1"); });
        Click(book, "ctl5");

        const std::unique_ptr<QMenu> menu = book->BuildContextMenu();
        for (QAction* action : menu->actions()) {
            menuTexts.append(action->text());
            if (action->isEnabled()) {
                menuEnabled.append(action->text());
            }
        }
        menu->actions().at(3)->trigger(); // "&Delete"
        EXPECT_EQ(book->Model()->rowCount(), 12);

        // An "&" in a value cuts the unescaped address short: the server refuses the entry.
        WhenShown<CDlgAddEntry>([](CDlgAddEntry* entry) {
            Fill(entry, {"Smith & Jones", "Ann", "", "Smith", "5550003", "ann@sj.example", ""});
            Click(entry, "ctl1");
        });
        Click(book, "ctl6");
        book->reject();
    });
    AddressBook(desk).Run();

    EXPECT_EQ(menuTexts, (QStringList{"&Insert", "&Add", "&Edit", "&Delete"}));
    EXPECT_EQ(menuEnabled, (QStringList{"&Add", "&Edit", "&Delete"}));
    EXPECT_EQ(Shown(), (QStringList{"Entry could not be edited successfully.",
                                    "Entry could not be deleted successfully",
                                    "Entry could not be added successfully."}));
    for (const Prompts::Box& box : PromptsDouble::Current().Shown()) {
        EXPECT_EQ(box.title, QStringLiteral("Molve"));
        EXPECT_EQ(box.icon, Prompts::Icon::None);
    }
    EXPECT_EQ(Queries("qm_address_update.php").size(), 4);
}

TEST(AddEntryDialog, RequiredFieldsAreCheckedInOrderAndTheKeyGoesInFront) {
    struct Case {
        QStringList fields;
        QString message; // empty: accepted
    };
    const Case cases[] = {
        {{"Co", "", "M", "", "", "", "1"}, "Please enter First name."},
        {{"", "Ann", "", "", "", "", ""}, "Please enter Last name."},
        {{"", "Ann", "", "Lee", "  ", "", ""}, "Please enter Fax Number."},
        {{"", "Ann", "", "Lee", "555", "", ""}, "Please enter EMail-ID."},
        {{"", " Ann ", "", "Lee", "555", "a@b.example", ""}, ""}, // company and telephone may be empty
    };
    for (const Case& c : cases) {
        PromptsDouble::Current().Clear();
        CDlgAddEntry entry;
        entry.SetEntryText(QStringLiteral(" ~x~ ~y~1~e~ ~77~"), 1);
        WhenShown<CDlgAddEntry>([&](CDlgAddEntry* shown) {
            EXPECT_EQ(EditTexts(shown), (QStringList{"", "x", "", "y", "1", "e", ""}));
            Fill(shown, c.fields);
            Click(shown, "ctl1");
            if (shown->isVisible()) {
                shown->reject();
            }
        });
        const int result = entry.exec();
        EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
                  c.message.isEmpty() ? QStringList{} : QStringList{c.message});
        EXPECT_EQ(result, c.message.isEmpty() ? QDialog::Accepted : QDialog::Rejected);
        if (c.message.isEmpty()) {
            EXPECT_EQ(entry.EntryText(), QStringLiteral("77~~Ann~~Lee~555~a@b.example~"));
        }
    }
}
