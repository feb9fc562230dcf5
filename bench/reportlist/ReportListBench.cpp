// Parses and shows a 100,000-row transcribed file list (twelve fields a row) in the report list,
// then sorts it by a date column and by a text column. Prints milliseconds, rows per second, peak
// memory and what the list costs per cell (memory grown since before the load over rows x columns).
//   bench_reportlist [--rows N] [--png FILE] [--locale NAME]
#include "reportlist/core/FileListFormat.h"
#include "reportlist/listctrl/CReportListCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>

namespace {

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// This process's processor time: on a busy machine it says what the work costs, while the
// wall clock also counts the time other programs had the processor.
double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Wall and processor milliseconds of one step.
struct Stopwatch {
    QElapsedTimer wall;
    double cpu = 0;
    void Start() {
        wall.start();
        cpu = CpuMs();
    }
    QString Read() const {
        return QStringLiteral("%1 ms (processor %2 ms)").arg(wall.elapsed()).arg(CpuMs() - cpu, 0, 'f', 0);
    }
    double Seconds() const { return static_cast<double>(wall.nsecsElapsed()) / 1e9; }
};

long CurrentKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// Names and places repeat as they do in a practice; file names and record numbers do not.
QByteArray MakeFileList(int rows) {
    static const char* first[] = {"Amelia", "Rafael", "Nina", "John", "Maria", "Wei",   "Fatima", "Lars",
                                  "Priya",  "Tom",    "Olga", "Kofi", "Hana",  "Diego", "Sara",   "Ivan"};
    static const char* last[] = {"Hart",   "Ortiz",  "Kowalski", "Smith",  "Garcia",  "Chen",
                                 "Khan",   "Larsen", "Patel",    "O'Neil", "Petrova", "Mensah",
                                 "Sato",   "Lopez",  "Berg",     "Novak",  "Brown",   "Wilson",
                                 "Nguyen", "Silva",  "Rossi",    "Meyer",  "Dubois",  "Haddad"};
    static const char* types[] = {"Consultation", "Follow Up", "Discharge Summary", "Operative Note", "H&P"};
    static const char* places[] = {"North Clinic", "South Clinic", "East Office"};
    QByteArray text;
    text.reserve(static_cast<qsizetype>(rows) * 260);
    for (int i = 0; i < rows; ++i) {
        const unsigned h = static_cast<unsigned>(i) * 2654435761u;
        const int month = 1 + static_cast<int>(h % 12);
        const int day = 1 + static_cast<int>((h >> 4) % 28);
        const int year = 2021 + static_cast<int>((h >> 9) % 4);
        const int hour = 1 + static_cast<int>((h >> 12) % 12);
        const int minute = static_cast<int>((h >> 16) % 60);
        text += "Privileges~" + QByteArray((h >> 3) % 5 == 0 ? "100011" : "111111");
        text += "|Owner~" + QByteArray::number(12 + static_cast<int>((h >> 5) % 3) * 3);
        text += "|Activity Indicator~";
        for (int k = 0; k < 5; ++k) {
            text += ((h >> (20 + k)) & 1u) != 0 ? '1' : '0';
        }
        text += "|Filename~R" + QByteArray::number(100000 + i);
        text += "|FirstName~" + QByteArray(first[(h >> 7) % 16]);
        text += "|LastName~" + QByteArray(last[(h >> 11) % 24]);
        text += "|DateOfBirth~" + QString::asprintf("%02d/%02d/%d", 1 + (h >> 13) % 12, 1 + (h >> 17) % 28,
                                                    1930 + static_cast<int>((h >> 19) % 80))
                                      .toLatin1();
        text += "|DateOfVisit~" + QString::asprintf("%02d/%02d/%d", month, day, year).toLatin1();
        text += "|ReportType~" + QByteArray(types[(h >> 23) % 5]);
        text += "|Location~" + QByteArray(places[(h >> 25) % 3]);
        text += "|DictationDate~" + QString::asprintf("%02d/%02d/%d %02d:%02d %s", month, day, year, hour,
                                                      minute, ((h >> 27) & 1u) != 0 ? "PM" : "AM")
                                        .toLatin1();
        text += "|MRN~" + QByteArray::number(5000000 + static_cast<int>(h % 900000)) + "\n";
    }
    return text;
}

void Show(CReportListCtrl& list) {
    // Paint the visible part as the screen would.
    list.viewport()->repaint();
    QApplication::processEvents();
}

int ColumnOf(const ReportListModel& model, const QString& caption) {
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.ColumnCaption(c) == caption) {
            return c;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int rows = 100000;
    QString png;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--rows") {
            rows = args[i + 1].toInt();
        } else if (args[i] == "--png") {
            png = args[i + 1];
        } else if (args[i] == "--locale") {
            // Dates and collation follow it (e.g. en_US: ICU collation instead of the C order).
            QLocale::setDefault(QLocale(args[i + 1]));
        }
    }

    QTemporaryDir dir;
    const QString path = dir.filePath("filelist.txt");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(MakeFileList(rows)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    CReportListCtrl list;
    list.resize(1024, 600);
    list.Model()->SetDefaultColumns();
    list.Model()->SetRowIcon(":/icons/row-transcribed.svg");
    list.show();
    Show(list);
    const long baseline = CurrentKilobytes();

    Stopwatch timer;
    timer.Start();
    ParsedFileList parsed = ParseFileListFile(path, false);
    const QString parseMs = timer.Read();
    list.Model()->Load(std::move(parsed), false);
    list.ApplyColumnWidths();
    Show(list);
    const QString loadMs = timer.Read();
    const double loadSeconds = timer.Seconds();

    const int dateColumn = ColumnOf(*list.Model(), "DictationDate");
    const int textColumn = ColumnOf(*list.Model(), "Last Name");
    const int numberColumn = ColumnOf(*list.Model(), "MRN");
    auto sort = [&](int column, bool ascending) {
        timer.Start();
        list.Sort(column, ascending);
        Show(list);
        return timer.Read();
    };
    const QString dateMs = sort(dateColumn, true);
    const QString textMs = sort(textColumn, true);
    const QString textBackMs = sort(textColumn, false);
    const QString numberMs = sort(numberColumn, true);
    const QString statusMs = sort(1, true);

    if (!png.isEmpty()) {
        list.Sort(dateColumn, false);
        list.selectRow(2);
        list.grab().save(png);
    }

    std::printf("rows %d, columns %d, locale %s\n", list.Model()->rowCount(), list.Model()->columnCount(),
                qPrintable(QLocale().name()));
    std::printf("load (parse, then model and first paint): %s; parse alone %s\n", qPrintable(loadMs),
                qPrintable(parseMs));
    std::printf("sort by date column (%s): %s\n", qPrintable(list.Model()->ColumnCaption(dateColumn)),
                qPrintable(dateMs));
    std::printf("sort by text column (%s): %s; reversed %s\n",
                qPrintable(list.Model()->ColumnCaption(textColumn)), qPrintable(textMs),
                qPrintable(textBackMs));
    std::printf("sort by number column (MRN): %s\n", qPrintable(numberMs));
    std::printf("sort by status column (Opened): %s\n", qPrintable(statusMs));
    const long peak = PeakKilobytes();
    const double cells = static_cast<double>(list.Model()->rowCount()) * list.Model()->columnCount();
    std::printf("load rate: %.0f rows per second\n", list.Model()->rowCount() / loadSeconds);
    std::printf("memory: resident before load %ld KB, after %ld KB, peak %ld KB (%.1f MB)\n", baseline,
                CurrentKilobytes(), peak, static_cast<double>(peak) / 1024.0);
    std::printf("memory per cell: %.1f bytes at the peak, %.1f bytes after the sorts\n",
                static_cast<double>(peak - baseline) * 1024.0 / cells,
                static_cast<double>(CurrentKilobytes() - baseline) * 1024.0 / cells);
    return 0;
}
