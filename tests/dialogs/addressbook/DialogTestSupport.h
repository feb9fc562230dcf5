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
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

// Runs fn once on the first visible window of type T, from the event loop of whatever modal
// dialog is running by then. Call it before the code that opens the dialog.
template <typename T> void WhenShown(std::function<void(T*)> fn) {
    auto* timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, fn] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<T*>(w); dialog != nullptr && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                fn(dialog);
                return;
            }
        }
        if (++*tries > 4000) { // 20 s
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no " << T::staticMetaObject.className() << " was shown";
        }
    });
    timer->start(5);
}

// The report list window as the actions see it: a table of captions and rows.
class FakeDesk final : public DeskContext {
public:
    struct Row {
        QStringList cells; // by caption, in captions order
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
        const qsizetype column = captions.indexOf(caption);
        return column < 0 ? QString() : rows.value(row).cells.value(column);
    }
    QString Filename(int row) const override { return CellText(row, QStringLiteral("Filename")); }
    QString AccessFlags(int row) const override { return rows.value(row).accessFlags; }
    QString EsignOwner(int row) const override { return rows.value(row).esignOwner; }
    QStringList ColumnCaptions() const override { return captions; }
    void SetStatusForSelected(StatusColumn, const QStringList&, const QString&) override {}
    void DeleteAllRows() override { rows.clear(); }
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

// The multipart fields of each request for a script, as name=value (the bodiless probe, which
// carries none, left out).
inline QList<QStringList> JournalFields(const StandInServer& server, const QString& script) {
    QList<QStringList> out;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        QStringList fields;
        for (const QJsonValue& f : entry.value(QStringLiteral("fields")).toArray()) {
            fields.append(f[QStringLiteral("name")].toString() + QLatin1Char('=') +
                          f[QStringLiteral("value")].toString());
        }
        if (!fields.isEmpty()) {
            out.append(fields);
        }
    }
    return out;
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
    QList<QStringList> Fields(const QString& script) const { return JournalFields(server_, script); }
    static QStringList Shown() { return PromptsDouble::Current().ShownTexts(); }

    StandInServer server_;
};
