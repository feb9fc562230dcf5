#pragma once

// Shared by the fax, address book and custom property tests: a stand-in server per test, a
// small fake of the report list window, and a way to act inside a modal dialog.
#include "host/core/SessionSettings.h"
#include "reportlist/core/DeskContext.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/ServerFixture.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

// Runs fn once on the first visible window of type T, from the event loop of whatever modal
// dialog is running by then (20 s at most). Call it before the code that opens the dialog.
template <typename T> void WhenShown(std::function<void(T*)> fn) {
    auto* timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, fn] {
        T* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<T*>(w); dialog != nullptr && dialog->isVisible()) {
                found = dialog;
            }
        }
        if (found != nullptr || ++*tries > 4000) {
            timer->stop();
            timer->deleteLater();
            if (found == nullptr) {
                ADD_FAILURE() << T::staticMetaObject.className() << " not shown";
                return;
            }
            fn(found);
        }
    });
    timer->start(5);
}

inline QPushButton* ButtonOf(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}
inline void Click(QWidget* dialog, const char* name) {
    QTest::mouseClick(ButtonOf(dialog, name), Qt::LeftButton);
}

// The report list window as the actions see it: a table of captions and rows.
class FakeDesk final : public DeskContext {
public:
    struct Row {
        QStringList cells; // in captions order
        QString accessFlags = QStringLiteral("111111");
        QString esignOwner = QStringLiteral("12");
    };
    QStringList captions;
    QList<Row> rows;
    QList<int> selected;
    int queries = 0;
    WindowState state;

    WindowState& State() override { return state; }
    QList<int> SelectedRows() const override { return selected; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    QString CellText(int row, const QString& caption) const override {
        return rows.value(row).cells.value(captions.indexOf(caption));
    }
    QString Filename(int row) const override { return CellText(row, QStringLiteral("Filename")); }
    QString AccessFlags(int row) const override { return rows.value(row).accessFlags; }
    QString EsignOwner(int row) const override { return rows.value(row).esignOwner; }
    QStringList ColumnCaptions() const override { return captions; }
    void SetStatusForSelected(StatusColumn, const QStringList&, const QString&) override {}
    void DeleteAllRows() override {}
    void ShowBusy(Busy, bool) override {}
    void RepaintNow() override {}
    void RunQuery() override { ++queries; }
    void LoadFileList(const QString&) override {}
    void DownloadDocuments(const QStringList&) override {}
    QWidget* DialogParent() override { return nullptr; }
};

// The decoded query strings a server received for a script, in order.
inline QStringList JournalQueries(const StandInServer& server, const QString& script) {
    QStringList out;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        out.append(QUrl::fromPercentEncoding(entry.value(QStringLiteral("query")).toString().toUtf8()));
    }
    return out;
}

// The multipart fields of each post to a script, as name=value (the bodiless probe left out).
inline QList<QStringList> JournalFields(const StandInServer& server, const QString& script) {
    QList<QStringList> out;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        QStringList fields;
        for (const QJsonValue& f : entry.value(QStringLiteral("fields")).toArray()) {
            fields.append(f[QStringLiteral("name")].toString() + '=' + f[QStringLiteral("value")].toString());
        }
        if (!fields.isEmpty()) {
            out.append(fields);
        }
    }
    return out;
}

inline QStringList Shown() {
    return PromptsDouble::Current().ShownTexts();
}

// A session of the demo user (12) against a stand-in server of its own.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Session().Reset();
        PromptsDouble::Current().Clear();
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetLoggedUserId(QStringLiteral("12"));
    }
    QStringList Queries(const QString& script) const { return JournalQueries(server_, script); }

    StandInServer server_;
};
