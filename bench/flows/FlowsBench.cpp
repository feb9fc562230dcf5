// Times the desk's own flows against the stand-in server on loopback, with the fake soffice,
// lpstat and xdg-open of tests/support first on PATH: each flow as the median of R runs with the
// fixed waits and without, side by side, with their ratio and the target for the lean desk.
// Start-up runs the velmo program (process start included); the other flows drive the report
// list window in this process as a user would. A program start is timed at the moment the desk
// hands it to the shell.
//
//   bench_flows [--runs R]
#include "desk/CVelmoPropPage.h"
#include "dialogs/history/CDlgDocumentHistory.h"
#include "documents/core/DocumentPaths.h"
#include "documents/monitor/DocumentMonitor.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/ControlProperties.h"
#include "host/core/Delays.h"
#include "host/core/LaunchOptions.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "host/core/Shell.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/ServerFixture.h"
#include "transport/CFileDownloads.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 1000;
constexpr int kTimeoutMs = 120000;
const QString kUser = QStringLiteral("40");

QElapsedTimer clock_;
double Now() {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e6;
}

// Runs the event loop in short slices until done() holds; false after the timeout.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = kTimeoutMs) {
    const double until = Now() + timeoutMs;
    while (!done()) {
        if (Now() > until) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(300);
    }
    return true;
}

// The desktop's shell, with the time of every start the desk asks for.
class TimingShell final : public Shell {
public:
    struct Launch {
        QString program;
        QStringList arguments;
        double at;
    };
    explicit TimingShell(Shell& desktop) : desktop_(desktop) {}
    bool Open(const QString& fileOrUrl) override { return desktop_.Open(fileOrUrl); }
    bool StartDetached(const QString& program, const QStringList& arguments) override {
        starts_.push_back({program, arguments, Now()});
        return desktop_.StartDetached(program, arguments);
    }
    std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) override {
        starts_.push_back({program, arguments, Now()});
        return desktop_.Start(program, arguments);
    }
    // The times of the starts since mark whose program (file name) and arguments match.
    std::vector<double> Since(std::size_t mark, const QString& program, const QString& argument = {}) const {
        std::vector<double> out;
        for (std::size_t i = mark; i < starts_.size(); ++i) {
            const Launch& s = starts_[i];
            if (QFileInfo(s.program).fileName() == program &&
                (argument.isEmpty() ? !s.arguments.contains(QStringLiteral("-p")) &&
                                          !s.arguments.contains(QStringLiteral("--view")) &&
                                          !s.arguments.contains(QStringLiteral("--headless"))
                                    : s.arguments.contains(argument))) {
                out.push_back(s.at);
            }
        }
        return out;
    }
    std::size_t Mark() const { return starts_.size(); }

private:
    Shell& desktop_;
    std::vector<Launch> starts_;
};

// Acknowledges every box and answers No to every question (the monitor's e-sign offer), keeping
// the time of the last question.
class BenchPrompts final : public Prompts {
public:
    int Show(const Box& box) override {
        texts.append(box.text);
        if ((box.buttons & No) != 0) {
            lastQuestion = Now();
            return No;
        }
        return Ok;
    }
    CredentialAnswer AskCredentials(const QString&, const QString&, bool, Credentials&) override {
        return CredentialAnswer::Cancel;
    }
    double lastQuestion = -1;
    QStringList texts; // every box, for a failure's report
};

// One practice: provider 40 with kRows transcribed reports in the last six days and a few pending
// dictations.
QByteArray Practice() {
    QJsonArray reports;
    const char* const last[] = {"Rowe", "Lee", "Okafor", "Brandt", "Silva", "Novak", "Hughes"};
    for (int i = 0; i < kRows; ++i) {
        reports.append(QJsonObject{{"name", QStringLiteral("S%1").arg(10000 + i)},
                                   {"kind", "t"},
                                   {"provider", kUser},
                                   {"location", "3"},
                                   {"daysBack", i % 6},
                                   {"fields", QJsonObject{{"FirstName", QStringLiteral("Pat%1").arg(i)},
                                                          {"LastName", last[i % 7]},
                                                          {"MRN", QStringLiteral("M%1").arg(500000 + i)},
                                                          {"DateOfBirth", "03/14/1961"}}}});
    }
    for (int i = 1; i <= 3; ++i) {
        reports.append(QJsonObject{{"name", QStringLiteral("J%1").arg(100 + i)},
                                   {"kind", "p"},
                                   {"provider", kUser},
                                   {"location", "3"},
                                   {"daysBack", 0},
                                   {"fields", QJsonObject{{"FirstName", "Ann"}, {"LastName", "Quill"}}}});
    }
    const QJsonObject practice{
        {"locations", QJsonObject{{"3", "North Clinic"}}},
        {"providers", QJsonArray{QJsonObject{{"id", kUser},
                                             {"name", "Dr. Ada Quill"},
                                             {"signature", "Ada Quill, MD"},
                                             {"locations", QJsonArray{"3"}}}}},
        {"users", QJsonArray{QJsonObject{{"id", kUser},
                                         {"name", "Dr. Ada Quill"},
                                         {"role", "provider"},
                                         {"signatureLine", "40~Ada Quill, MD"},
                                         {"printPrivilege", "1"},
                                         {"worksFor", QJsonObject{{kUser, "111111"}}}}}},
        {"reports", reports},
        {"defaultUser", kUser}};
    return QJsonDocument(practice).toJson(QJsonDocument::Compact);
}

struct Figures {
    std::map<QString, std::vector<double>> runs[2]; // [0] fixed waits, [1] lean
};

class Bench {
public:
    Bench(StandInServer& server, FakeDesktop& desktop, TimingShell& shell, BenchPrompts& prompts)
        : server_(server), desktop_(desktop), shell_(shell), prompts_(prompts) {}

    bool Start() {
        LaunchOptions options;
        options.page = server_.HostPageUrl(kUser);
        ControlProperties properties;
        QString error;
        if (!options.LoadProperties(properties, error)) {
            return Fail(error);
        }
        ExchangeProperties(properties, Session());
        page_ = std::make_unique<CVelmoPropPage>();
        page_->resize(1280, 800);
        page_->show();
        page_->OnInitDialog();
        // The window takes the system folder from the program's place; this one is not velmo.
        Session().SetSystemFolder(QFileInfo(QStringLiteral(VELMO_DSSDECODER_PATH)).absolutePath());
        return WaitFor([&] { return page_->RowCount() == kRows; }) || Fail("the first list did not come");
    }

    // One round of every in-process flow; k picks the reports it uses. Records into out, if any.
    bool Round(int k, std::map<QString, std::vector<double>>* out) {
        auto record = [&](const char* flow, double ms) {
            if (out) {
                (*out)[QString::fromLatin1(flow)].push_back(ms);
            }
        };
        const QString opened = Name(100 + k);
        const QStringList printed{Name(200 + 3 * k), Name(201 + 3 * k), Name(202 + 3 * k)};
        const QString signedReport = Name(300 + k);

        // Go: the click returns with the list loaded; then it is drawn.
        ReportType(QStringLiteral("Transcribed"));
        double t0 = Now();
        Click("goButton");
        page_->repaint();
        record("go", Now() - t0);
        if (page_->RowCount() != kRows) {
            return Fail(QStringLiteral("Go listed %1 rows").arg(page_->RowCount()));
        }
        // The same list fetched and unpacked alone: what of Go is the server's answer.
        {
            const QJsonObject asked = server_.JournalFor(QStringLiteral("qm_download_filelist.php")).last();
            const QTemporaryDir folder;
            CFileDownloads list;
            list.SetURL(server_.BaseUrl() + QStringLiteral("qm_download_filelist.php?") +
                        asked.value(QStringLiteral("query")).toString());
            list.SetTargetFolder(folder.path() + QLatin1Char('/'));
            const int waited = Delays::Get().beforeZippedDownload;
            t0 = Now();
            if (list.DownloadFiles(QStringLiteral("FileList")).isEmpty()) {
                return Fail("the list alone could not be fetched");
            }
            record("golist", Now() - t0 - waited);
        }

        // Open for editing, then the release: the question once the fake has let go.
        std::size_t mark = shell_.Mark();
        Select({opened});
        t0 = Now();
        Click("openButton");
        if (!WaitFor([&] { return !shell_.Since(mark, QStringLiteral("soffice")).empty(); })) {
            return Fail("Open started no LibreOffice");
        }
        record("open", shell_.Since(mark, QStringLiteral("soffice")).front() - t0);
        const QString path = LocalDocumentPath(opened);
        const QString lock =
            QFileInfo(path).dir().filePath(QStringLiteral(".~lock.") + QFileInfo(path).fileName() + '#');
        if (!desktop_.WaitForEdit(path) || !WaitFor([&] {
                const DocumentMonitor* m = DocumentMonitor::Find(page_.get());
                return m && m->Taken();
            })) {
            return Fail("the edit was not watched");
        }
        prompts_.lastQuestion = -1;
        desktop_.ReleaseLock();
        if (!WaitFor([&] { return !QFileInfo::exists(lock); })) {
            return Fail("the fake kept its lock");
        }
        t0 = Now();
        if (!WaitFor([&] { return prompts_.lastQuestion >= 0; })) {
            return Fail("no question after the release");
        }
        record("release", prompts_.lastQuestion - t0);
        if (!WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }) ||
            !desktop_.WaitForRelease(path)) {
            return Fail("the monitor did not finish");
        }
        QFile::remove(desktop_.Folder() + QStringLiteral("/release"));

        // Print three: to the third hand-over to LibreOffice.
        mark = shell_.Mark();
        Select(printed);
        t0 = Now();
        Click("printButton");
        const std::vector<double> prints =
            shell_.Since(mark, QStringLiteral("soffice"), QStringLiteral("-p"));
        if (prints.size() != 3) {
            return Fail(QStringLiteral("Print handed over %1 files").arg(prints.size()));
        }
        record("print", prints.back() - t0);

        // E-Sign one: the click returns once the server has it.
        const qsizetype signedBefore = server_.JournalFor(QStringLiteral("qm_esign.php")).size();
        Select({signedReport});
        t0 = Now();
        Click("esignButton");
        record("esign", Now() - t0);
        if (server_.JournalFor(QStringLiteral("qm_esign.php")).size() == signedBefore) {
            return Fail("E-Sign sent nothing");
        }

        // View Document: the signed report's earlier version, from the history dialog.
        mark = shell_.Mark();
        Select({signedReport});
        double viewClicked = -1;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CDlgDocumentHistory*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) {
                return;
            }
            driver.stop();
            auto* versions = dialog->findChild<CReportListCtrl*>(QStringLiteral("versionList"));
            if (versions && versions->model()->rowCount() > 0) {
                versions->selectRow(0);
                viewClicked = Now();
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("viewDocumentButton")),
                                  Qt::LeftButton);
            }
            dialog->reject();
        });
        driver.start(2);
        page_->OnPopDocumentHistory();
        driver.stop();
        const std::vector<double> views =
            shell_.Since(mark, QStringLiteral("soffice"), QStringLiteral("--view"));
        if (viewClicked < 0 || views.empty()) {
            return Fail("View Document started no LibreOffice");
        }
        record("view", views.front() - viewClicked);

        // Play a pending dictation: to the converter's start.
        ReportType(QStringLiteral("Pending"));
        Click("goButton");
        mark = shell_.Mark();
        Select({QStringLiteral("J101")});
        t0 = Now();
        Click("playButton");
        const std::vector<double> converter = shell_.Since(mark, QStringLiteral("DSSDecoder"));
        if (converter.empty()) {
            return Fail("Play started no converter");
        }
        record("play", converter.front() - t0);
        return true;
    }

    QString Error() const { return error_; }
    void Close() { page_.reset(); }

private:
    static QString Name(int i) { return QStringLiteral("S%1").arg(10000 + i); }
    bool Fail(const QString& why) {
        error_ = why;
        return false;
    }
    void Click(const char* button) {
        auto* b = page_->findChild<QPushButton*>(QString::fromLatin1(button));
        b->setEnabled(true);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void ReportType(const QString& text) {
        auto* box = page_->findChild<QComboBox*>(QStringLiteral("reportTypeBox"));
        box->setCurrentIndex(box->findText(text));
    }
    void Select(const QStringList& names) {
        CReportListCtrl* list = page_->List();
        list->clearSelection();
        for (int row = 0; row < page_->RowCount(); ++row) {
            if (names.contains(page_->Filename(row))) {
                list->selectionModel()->select(list->model()->index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
    }

    StandInServer& server_;
    FakeDesktop& desktop_;
    TimingShell& shell_;
    BenchPrompts& prompts_;
    std::unique_ptr<CVelmoPropPage> page_;
    QString error_;
};

// The velmo program from its start until its first list is drawn (it saves the window then).
double StartUp(const StandInServer& server, const QString& home, bool fixedWaits) {
    QProcess velmo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), home + QStringLiteral("/etc"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    velmo.setProcessEnvironment(env);
    QStringList args{QStringLiteral("--page"), server.HostPageUrl(kUser), QStringLiteral("--screenshot"),
                     home + QStringLiteral("/start.png")};
    if (fixedWaits) {
        args.append(QStringLiteral("--fixed-waits"));
    }
    QByteArray out;
    const double t0 = Now();
    velmo.start(QStringLiteral(VELMO_EXECUTABLE), args);
    double drawn = -1;
    WaitFor([&] {
        out += velmo.readAllStandardOutput();
        if (drawn < 0 && out.contains("screenshot written")) {
            drawn = Now() - t0;
        }
        return drawn >= 0 || velmo.state() == QProcess::NotRunning;
    });
    velmo.waitForFinished(kTimeoutMs);
    return drawn;
}

double Median(std::vector<double> v) {
    if (v.empty()) {
        return -1;
    }
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--runs") == 0) {
            // A mistyped count runs once; more than 50 runs would only take long.
            runs = std::clamp(QByteArray(argv[i + 1]).toInt(), 1, 50);
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (home.path() + "/etc").toLocal8Bit());
    // The stand-in server's own authority, made by the server, trusted by this desk and the velmo
    // program it starts.
    qputenv("VELMO_CA_FILE", (home.path() + "/authority/ca.crt").toLocal8Bit());
    QApplication app(argc, argv);
    clock_.start();

    StandInServer::Options options;
    options.seedJson = Practice();
    StandInServer server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "bench_flows: %s\n", qPrintable(server.Error()));
        return 1;
    }
    // The velmo program knows this server already: no first-contact question.
    QDir().mkpath(home.path() + "/data/velmo");
    QFile known(home.path() + "/data/velmo/KnownServers");
    if (!known.open(QIODevice::WriteOnly) || known.write(server.Address().toLatin1() + '\n') < 0) {
        return 1;
    }
    known.close();

    FakeDesktop desktop;
    desktop.SetDefaultPrinter(QStringLiteral("PDF"));
    desktop.SetEditText(QStringLiteral("Edited in the word processor."));
    TimingShell shell(Shell::Get());
    Shell::Install(&shell);
    BenchPrompts prompts;
    Prompts::Install(&prompts);

    Figures figures;
    Bench bench(server, desktop, shell, prompts);
    std::printf("bench_flows: %d rows, %d runs per mode, stand-in server at %s\n", kRows, runs,
                qPrintable(server.Address()));
    std::fflush(stdout);
    Delays::UseFixedWaits(false);
    bool ok = bench.Start() && bench.Round(2 * runs, nullptr); // warm-up: the server makes the audio once
    for (int r = 0; ok && r < runs; ++r) {
        for (int mode = 0; ok && mode < 2; ++mode) {
            Delays::UseFixedWaits(mode == 0);
            figures.runs[mode][QStringLiteral("startup")].push_back(StartUp(server, home.path(), mode == 0));
            ok = bench.Round(2 * r + mode, &figures.runs[mode]);
        }
        std::fprintf(stderr, "run %d of %d done\n", r + 1, runs);
    }
    bench.Close();
    Shell::Install(nullptr);
    Prompts::Install(nullptr);
    if (!ok) {
        std::fprintf(stderr, "bench_flows: %s\nthe boxes shown: %s\n", qPrintable(bench.Error()),
                     qPrintable(prompts.texts.join(QStringLiteral(" / "))));
        QFile log(CUtility::ProfileFolder() + QStringLiteral("Log/") +
                  ActivityLog::FileNameFor(QDate::currentDate()));
        if (log.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = log.readAll().split('\n');
            std::fprintf(stderr, "the log's last lines:\n%s\n",
                         lines.mid(std::max<qsizetype>(0, lines.size() - 12)).join('\n').constData());
        }
        return 1;
    }

    const struct {
        const char* key;
        const char* label;
        double target;
    } rows[] = {
        {"startup", "start-up to first list drawn", 1500},
        {"go", "Go to list drawn (1,000 rows)", 300},
        {"golist", "  the list alone (server, unzip)", 0},
        {"open", "Open to LibreOffice started", 0},
        {"release", "release to question", 200},
        {"print", "Print of three, third hand-over", 2500},
        {"esign", "E-Sign of one", 0},
        {"play", "Play to converter started", 1000},
        {"view", "View Document to LibreOffice", 1000},
    };
    std::printf("%-36s %12s %12s %8s %10s\n", "median of runs, ms", "fixed waits", "lean", "ratio", "target");
    for (const auto& row : rows) {
        const double fixed = Median(figures.runs[0][QString::fromLatin1(row.key)]);
        const double lean = Median(figures.runs[1][QString::fromLatin1(row.key)]);
        const QString target = row.target > 0 ? QStringLiteral("<= %1").arg(row.target) : QStringLiteral("-");
        std::printf("%-36s %12.1f %12.1f %7.1fx %10s\n", row.label, fixed, lean,
                    lean > 0 ? fixed / lean : 0.0, qPrintable(target));
    }
    return 0;
}
