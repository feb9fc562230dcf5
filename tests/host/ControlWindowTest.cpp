#include "host/gui/AboutBox.h"
#include "host/gui/CVelmoCtrl.h"
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

TEST(ControlWindow, HostsOneReportListWindowCoveringItsClientArea) {
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

TEST(ControlWindow, EscapeDoesNotCloseTheEmbeddedWindow) {
    CVelmoCtrl control;
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    QTest::keyClick(control.Page(), Qt::Key_Escape);
    EXPECT_TRUE(control.Page()->isVisible());
}

TEST(AboutDialog, TextsIconAndOk) {
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Velmo Control"));
    EXPECT_EQ(box.VersionLine()->text(), QStringLiteral("Molve, Version 1.0.1.0"));
    EXPECT_FALSE(box.SecondLine()->text().trimmed().isEmpty());
    EXPECT_NE(box.SecondLine()->text(), box.VersionLine()->text());
    EXPECT_FALSE(box.IconLabel()->pixmap().isNull());
    EXPECT_EQ(box.OkButton()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box.isModal());

    QString seen;
    OnNextModal([&seen](QWidget* modal) {
        seen = modal->windowTitle();
        QTest::mouseClick(static_cast<AboutBox*>(modal)->OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_EQ(seen, QStringLiteral("About Velmo Control"));
}

TEST(AboutDialog, ReachableWithF1AndFromTheHelpMenu) {
    CVelmoCtrl control;
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&control));

    QString seen;
    OnNextModal([&seen](QWidget* modal) {
        seen = modal->windowTitle();
        static_cast<QDialog*>(modal)->accept();
    });
    QTest::keyClick(control.Page(), Qt::Key_F1);
    EXPECT_EQ(seen, QStringLiteral("About Velmo Control"));

    // The visible entry: the Help menu of the menu bar holds the same action.
    const QMenuBar* bar = control.findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    bool listed = false;
    for (QAction* menu : bar->actions()) {
        if (menu->menu() != nullptr && menu->menu()->actions().contains(control.AboutAction())) {
            listed = true;
        }
    }
    EXPECT_TRUE(listed);
    EXPECT_TRUE(control.AboutAction()->text().contains(QStringLiteral("About")));
    seen.clear();
    OnNextModal([&seen](QWidget* modal) {
        seen = modal->windowTitle();
        static_cast<QDialog*>(modal)->accept();
    });
    control.AboutAction()->trigger();
    EXPECT_EQ(seen, QStringLiteral("About Velmo Control"));
}

TEST(GuiMessageBoxes, ShownOnTheGuiThreadForAWorkerThatWaitsForTheAnswer) {
    GuiPrompts prompts;
    QThread* boxThread = nullptr;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool yesNoOnly = false;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        boxThread = box->thread();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        yesNoOnly = box->button(QMessageBox::Yes) != nullptr && box->button(QMessageBox::No) != nullptr &&
                    box->button(QMessageBox::Ok) == nullptr;
        box->button(QMessageBox::No)->click();
    });
    std::atomic<int> answer{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = prompts.Show(Prompts::Box{QStringLiteral("Delete the report?"), QStringLiteral("Molve"),
                                           Prompts::Icon::Question, Prompts::Yes | Prompts::No});
        done = true;
    });
    // The box runs inside this wait, on this (the GUI) thread.
    const bool finished = QTest::qWaitFor([&] { return done.load(); }, kWaitMs);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(boxThread, QApplication::instance()->thread());
    EXPECT_EQ(title, QStringLiteral("Molve"));
    EXPECT_EQ(text, QStringLiteral("Delete the report?"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(yesNoOnly);
    EXPECT_EQ(answer.load(), Prompts::No);
}

TEST(GuiMessageBoxes, ErrorAndInformationShorthandsKeepTitleAndIcon) {
    GuiPrompts prompts;
    Prompts::Install(&prompts);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        icon = box->icon();
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    const int pressed = Prompts::Error(QStringLiteral("Unable to open the file."));
    EXPECT_EQ(pressed, Prompts::Ok);
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(title, QStringLiteral("Molve"));

    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        icon = box->icon();
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    Prompts::Information(QStringLiteral("Entry deleted."), QStringLiteral("Quillet"));
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(title, QStringLiteral("Quillet"));
    Prompts::Install(&PromptsDouble::Current());
}

TEST(GuiMessageBoxes, CredentialDialogReturnsWhatWasTyped) {
    GuiPrompts prompts;
    OnNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<CredentialDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->Prompt()->text().contains(QStringLiteral("https://reports.example/")));
        EXPECT_TRUE(dialog->Prompt()->text().contains(QStringLiteral("Desk realm")));
        EXPECT_EQ(dialog->UserEdit()->text(), QStringLiteral("remembered"));
        EXPECT_EQ(dialog->PasswordEdit()->echoMode(), QLineEdit::Password);
        dialog->UserEdit()->setText(QStringLiteral("drsmith"));
        dialog->PasswordEdit()->setText(QStringLiteral("s3cret"));
        dialog->accept();
    });
    Prompts::Credentials credentials{QStringLiteral("remembered"), QString()};
    EXPECT_EQ(prompts.AskCredentials(QStringLiteral("https://reports.example/"), QStringLiteral("Desk realm"),
                                     false, credentials),
              Prompts::CredentialAnswer::Retry);
    EXPECT_EQ(credentials.user, QStringLiteral("drsmith"));
    EXPECT_EQ(credentials.password, QStringLiteral("s3cret"));

    OnNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    Prompts::Credentials untouched{QStringLiteral("u"), QStringLiteral("p")};
    EXPECT_EQ(prompts.AskCredentials(QStringLiteral("http://proxy/"), QString(), true, untouched),
              Prompts::CredentialAnswer::Cancel);
    EXPECT_EQ(untouched.user, QStringLiteral("u"));
    EXPECT_EQ(untouched.password, QStringLiteral("p"));
}

} // namespace
