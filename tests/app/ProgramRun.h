#pragma once

// Shared by the program tests: a program run to its end, and a desk whose profile and settings
// live in folders of the test's own.
#include "host/core/ActivityLog.h"
#include "tests/support/Files.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TodaysLog.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

struct Result {
    int exitCode = -1; // -1: it crashed or hung
    QString out;
    QString err;
};

// Runs a tool to its end; a tool that is not installed fails the test (scripts/setup-debian.sh
// installs them all).
inline Result RunTool(const QString& tool, const QStringList& arguments, const QProcessEnvironment& env = {},
                      const QString& folder = {}) {
    Result result;
    const QString program = tool.contains('/') ? tool : QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " is not installed (scripts/setup-debian.sh installs it)";
        return result;
    }
    QProcess process;
    if (!env.isEmpty()) {
        process.setProcessEnvironment(env);
    }
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(100000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << tool.toStdString() << " did not finish";
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

// An off-screen desk's environment: its profile under data, its settings under config and the
// administrator's under etc.
inline QProcessEnvironment DeskEnvironment(const QString& data, const QString& config, const QString& etc) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", data);
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("XDG_CONFIG_DIRS", etc);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// Today's log of the desk whose profile is under data.
inline QString DeskLog(const QString& data) {
    return QString::fromLocal8Bit(
        ReadFile(data + "/velmo/Log/" + ActivityLog::FileNameFor(QDate::currentDate())));
}
