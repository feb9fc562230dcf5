#include "app/CVelmoCtrl.h"
#include "host/gui/AboutBox.h"
#include "host/gui/GuiPrompts.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "tests/support/PromptsDouble.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 10000; // upper bound for events to arrive; tests end as soon as they do

// Runs handle on the next modal dialog once it is up (from inside its modal loop). Gives up
// after a bounded number of turns of the event loop, so a failed test leaves nothing behind.
void OnNextModal(std::function<void(QWidget*)> handle, int turnsLeft = 500) {
    QTimer::singleShot(0, [handle = std::move(handle), turnsLeft] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr) {
            handle(modal);
        } else if (turnsLeft > 0) {
            OnNextModal(handle, turnsLeft - 1);
        } else {
            ADD_FAILURE() << "no modal dialog came up";
        }
    });
}

// Accepts the next modal dialog, noting its title in seen.
void AcceptNextModal(QString& seen) {
    seen.clear();
    OnNextModal([&seen](QWidget* modal) {
        seen = modal->windowTitle();
        static_cast<QDialog*>(modal)->accept();
    });
}

// What a message box showed, and the button that closed it.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool yesNoOnly = false;
    bool onGuiThread = false;
};

void AnswerNextBox(SeenBox& seen, QMessageBox::StandardButton answer) {
    OnNextModal([&seen, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = SeenBox{box->windowTitle(), box->text(), box->icon(),
                       box->button(QMessageBox::Yes) != nullptr && box->button(QMessageBox::No) != nullptr &&
                           box->button(QMessageBox::Ok) == nullptr,
                       box->thread() == QApplication::instance()->thread()};
        ASSERT_NE(box->button(answer), nullptr);
        box->button(answer)->click();
    });
}

TEST(ControlWindow, HostsOneReportListWindowCoveringItsClientAreaThatEscapeDoesNotClose) {
    CVelmoCtrl control;
    control.resize(800, 500);
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));

    const QList<CVelmoPropPage*> pages = control.findChildren<CVelmoPropPage*>();
    ASSERT_EQ(pages.size(), 1);
    CVelmoPropPage* page = pages.first();
    EXPECT_EQ(page, control.Page());
    EXPECT_EQ(page->parentWidget(), &control);
    EXPECT_FALSE(page->isWindow());
    EXPECT_TRUE(page->isVisible());

    const QRect client = control.ClientRect();
    EXPECT_EQ(page->geometry(), client);
    EXPECT_EQ(client.width(), 800);
    EXPECT_EQ(client.bottom(), 499);
    EXPECT_GT(client.top(), 0); // the menu bar sits above the client area

    control.resize(640, 480);
    EXPECT_EQ(page->geometry(), control.ClientRect());
    EXPECT_EQ(page->geometry().size(), QSize(640, 480 - client.top()));
    control.resize(1200, 900);
    EXPECT_EQ(page->geometry(), QRect(0, client.top(), 1200, 900 - client.top()));

    // Escape must not close the embedded window as it would a dialog.
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_TRUE(page->isVisible());
}

TEST(ControlWindow, ReportListIsInitialisedOnceAfterTheWindowIsShown) {
    CVelmoCtrl control;
    QSignalSpy finished(control.Page(), &CVelmoPropPage::StartupFinished);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 0); // not before the control is shown
    control.show();
    ASSERT_TRUE(finished.wait(kWaitMs));
    control.hide();
    control.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
}

TEST(AboutDialog, TextsIconAndOk) {
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), "About Velmo Control");
    EXPECT_EQ(box.VersionLine()->text(), "Molve, Version 1.0.1.0");
    EXPECT_FALSE(box.SecondLine()->text().trimmed().isEmpty());
    EXPECT_NE(box.SecondLine()->text(), box.VersionLine()->text());
    EXPECT_FALSE(box.IconLabel()->pixmap().isNull());
    EXPECT_EQ(box.OkButton()->text(), "OK");
    EXPECT_TRUE(box.isModal());

    QString seen;
    OnNextModal([&seen](QWidget* modal) {
        seen = modal->windowTitle();
        QTest::mouseClick(static_cast<AboutBox*>(modal)->OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_EQ(seen, "About Velmo Control");
}

TEST(AboutDialog, ReachableWithF1AndFromTheHelpMenu) {
    CVelmoCtrl control;
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&control));

    QString seen;
    AcceptNextModal(seen);
    QTest::keyClick(control.Page(), Qt::Key_F1);
    EXPECT_EQ(seen, "About Velmo Control");

    // The visible entry: a menu of the menu bar holds the same action.
    const QMenuBar* bar = control.findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    bool listed = false;
    for (QAction* menu : bar->actions()) {
        listed =
            listed || (menu->menu() != nullptr && menu->menu()->actions().contains(control.AboutAction()));
    }
    EXPECT_TRUE(listed);
    EXPECT_TRUE(control.AboutAction()->text().contains("About"));
    AcceptNextModal(seen);
    control.AboutAction()->trigger();
    EXPECT_EQ(seen, "About Velmo Control");
}

TEST(GuiMessageBoxes, ShownOnTheGuiThreadForAWorkerThatWaitsForTheAnswer) {
    GuiPrompts prompts;
    SeenBox seen;
    AnswerNextBox(seen, QMessageBox::No);
    std::atomic<int> answer{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = prompts.Show(
            Prompts::Box{"Delete the report?", "Molve", Prompts::Icon::Question, Prompts::Yes | Prompts::No});
        done = true;
    });
    // The box runs inside this wait, on this (the GUI) thread.
    const bool finished = QTest::qWaitFor([&] { return done.load(); }, kWaitMs);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_TRUE(seen.onGuiThread);
    EXPECT_EQ(seen.title, "Molve");
    EXPECT_EQ(seen.text, "Delete the report?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_TRUE(seen.yesNoOnly);
    EXPECT_EQ(answer.load(), Prompts::No);
}

TEST(GuiMessageBoxes, ErrorAndInformationShorthandsKeepTitleAndIcon) {
    GuiPrompts prompts;
    Prompts::Install(&prompts);
    SeenBox seen;
    AnswerNextBox(seen, QMessageBox::Ok);
    EXPECT_EQ(Prompts::Error("Unable to open the file."), Prompts::Ok);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.title, "Molve");

    AnswerNextBox(seen, QMessageBox::Ok);
    Prompts::Information("Entry deleted.", "Quillet");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.title, "Quillet");
    EXPECT_EQ(seen.text, "Entry deleted.");
    Prompts::Install(&PromptsDouble::Current());
}

TEST(GuiMessageBoxes, CredentialDialogReturnsWhatWasTyped) {
    GuiPrompts prompts;
    OnNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<CredentialDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->Prompt()->text().contains("https://reports.example/"));
        EXPECT_TRUE(dialog->Prompt()->text().contains("Desk realm"));
        EXPECT_EQ(dialog->UserEdit()->text(), "remembered");
        EXPECT_EQ(dialog->PasswordEdit()->echoMode(), QLineEdit::Password);
        dialog->UserEdit()->setText("drsmith");
        dialog->PasswordEdit()->setText("s3cret");
        dialog->accept();
    });
    Prompts::Credentials credentials{"remembered", QString()};
    EXPECT_EQ(prompts.AskCredentials("https://reports.example/", "Desk realm", false, credentials),
              Prompts::CredentialAnswer::Retry);
    EXPECT_EQ(credentials.user, "drsmith");
    EXPECT_EQ(credentials.password, "s3cret");

    OnNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    Prompts::Credentials untouched{"u", "p"};
    EXPECT_EQ(prompts.AskCredentials("http://proxy/", QString(), true, untouched),
              Prompts::CredentialAnswer::Cancel);
    EXPECT_EQ(untouched.user, "u");
    EXPECT_EQ(untouched.password, "p");
}

} // namespace
