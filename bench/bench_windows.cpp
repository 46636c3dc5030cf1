// What the operator waits for on a large site: each record and report window opened in a
// process of its own (nothing read before, as after a start), the header sort of the sent
// list, the recount behind the catalogue report, and the peak memory, each beside a raw
// SQLite scan of the same rows in a fresh process of the same run.
//
//   portiva-bench-windows --make FILE --sent N     makes a site of N sent SMS (LargeSite.h)
//   portiva-bench-windows FILE [--label 1M] [--runs N] [--only NAME]
//
// The rows a window shows are the rows of the SELECT statements it runs while it opens,
// caught by a trace on every connection and scanned again, each once, cell by cell, by the
// raw process. A window that streams its list is shown with its first screen ("window"); it
// then reads the rest with the event loop running ("all rows"), and its statement stays open
// meanwhile ("held read", SQLite's own time from the first step to the last). The runs work on a
// copy of FILE: the catalogue report writes its counts, and the copy holds a unit with 33,000 log
// entries for the print preview.

#include "LargeSite.h"
#include "core/mainwindow/WindowFactory.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "programstate/AppState.h"
#include "records/RecordWindow.h"
#include "records/ReportQueries.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace portiva;
using namespace portiva::bench;

namespace
{

struct Item {
    const char *name;
    WindowKind kind;
    bool showSent = false;
    const char *sortedBy = nullptr; // the header sort measured after the open
    bool preview = false;           // the print preview of the report, opened by its button
    bool streamed = false;          // the list is read in slices after the first screen
};

// The unit of the preview, added to the copy with this many log entries.
const char *const kPreviewUnit = "+4791000000";
constexpr int kPreviewRows = 33000;

const Item kItems[] = {
    {"Sent", WindowKind::frmSMSSent, true, "TilNummerkort", false, true},
    {"Outbox", WindowKind::frmSMSSent, false, nullptr, false, true},
    {"Received", WindowKind::frmSMSReceived, false, nullptr, false, true},
    {"KeyLog", WindowKind::frmLOGG},
    {"Catalogue", WindowKind::frmBrukere},
    {"KeyUnits", WindowKind::frmKEY},
    {"PrintBrukere", WindowKind::frmPrintBrukere},
    {"PrintKatalog", WindowKind::frmPrintKatalog},
    {"PrintLogg", WindowKind::frmPrintLogg},
    {"PrintKEY", WindowKind::frmPrintKEY},
    {"Preview33000", WindowKind::frmPrintLogg, false, nullptr, true},
};

QStringList g_selects;
double g_longestSelectMs = 0;

bool isShownSelect(const QString &text)
{
    // The layer's own probes and change counts are not rows a window shows.
    return text.startsWith(QLatin1String("select"), Qt::CaseInsensitive) &&
           !text.contains(QLatin1String("sqlite_master")) &&
           !text.contains(QLatin1String("TableChanges")) &&
           !text.contains(QLatin1String("TBLLanguage"));
}

int traced(unsigned type, void *, void *stmt, void *x)
{
    if (type == SQLITE_TRACE_PROFILE) {
        const QString text =
            QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt *>(stmt))).simplified();
        if (isShownSelect(text))
            g_longestSelectMs =
                std::max(g_longestSelectMs, double(*static_cast<sqlite3_int64 *>(x)) / 1e6);
        return 0;
    }
    char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(stmt));
    if (!sql)
        return 0;
    const QString text = QString::fromUtf8(sql).simplified();
    sqlite3_free(sql);
    if (isShownSelect(text))
        g_selects << text;
    return 0;
}

int traceEveryConnection(sqlite3 *db, char **, const void *)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, traced, nullptr);
    return SQLITE_OK;
}

double peakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Steps through every row, reading each cell as the layer would keep it.
void scan(sqlite3 *db, const QString &sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        qFatal("prepare: %s", sqlite3_errmsg(db));
    const int columns = sqlite3_column_count(stmt);
    qint64 cells = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                cells +=
                    QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)),
                                      sqlite3_column_bytes(stmt, c))
                        .size();
            else
                cells += sqlite3_column_int64(stmt, c) != 0;
        }
    }
    sqlite3_finalize(stmt);
    static volatile qint64 sink;
    sink = cells;
}

// The operator opens every window from the main window, whose first show has already loaded
// the fonts, the style and the grid's code; a child shows the same kinds of widget once before
// it measures, so that a window's figure is the window's own cost.
void warmUpWidgets()
{
    QWidget w;
    auto *layout = new QVBoxLayout(&w);
    auto *table = new QTableWidget(3, 3, &w);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            table->setItem(r, c, new QTableWidgetItem(QStringLiteral("Åse %1").arg(r * c)));
    layout->addWidget(table);
    layout->addWidget(new QComboBox(&w));
    layout->addWidget(new QLineEdit(&w));
    layout->addWidget(new QLabel(QStringLiteral("Nøkkel"), &w));
    layout->addWidget(new QPushButton(QStringLiteral("SKRIV UT"), &w));
    w.show();
    QApplication::processEvents();
    w.repaint();
}

// From the click on the print button until the preview has painted its first page.
double previewMs(QWidget *window)
{
    auto *button = window->findChild<QPushButton *>(QStringLiteral("Command1"));
    if (!button)
        qFatal("no print button");
    double ms = -1;
    QElapsedTimer t;
    QTimer::singleShot(0, window, [&] {
        auto *preview = QApplication::activeModalWidget();
        if (!preview || preview->objectName() != QLatin1String("frmPREVIEW"))
            qFatal("no preview: is the grid printer registered for this user "
                   "(build/tools/comreg/portiva-comreg build/gridprint/libtabulon.so)?");
        preview->repaint();
        ms = msSince(t);
        QMetaObject::invokeMethod(preview, "reject");
    });
    t.start();
    button->click();
    return ms;
}

const Item &itemNamed(const QString &name)
{
    for (const Item &item : kItems)
        if (name == QLatin1String(item.name))
            return item;
    qFatal("unknown item %s", qPrintable(name));
}

// The window process: opens one window, sorts it when asked, and writes what it read.
int windowChild(const QString &path, const Item &item, const QString &sqlOut)
{
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(traceEveryConnection));
    AppState state;
    openSite(state, path, true);
    state.ConnectionString = buildConnectionString(path, databasePassword());
    state.CountryCode = QStringLiteral("47");
    state.ShowSentSMS = item.showSent;
    if (item.preview)
        state.SelectedKeyNummer = QLatin1String(kPreviewUnit);
    ProgramWindowFactory factory(state);
    warmUpWidgets();
    g_selects.clear();
    QElapsedTimer t;
    t.start();
    QWidget *window = factory.create(item.kind);
    window->show();
    QApplication::processEvents();
    window->repaint();
    double openMs = msSince(t);
    double allMs = -1;
    if (item.streamed) {
        const std::shared_ptr<Recordset> rs = qobject_cast<RecordWindow *>(window)->adoPrimaryRS();
        while (rs->streaming())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        allMs = msSince(t);
    }
    const double heldMs = g_longestSelectMs;
    QStringList lines = g_selects;
    if (item.preview)
        openMs = previewMs(window);
    lines.removeDuplicates();
    double sortMs = -1;
    if (item.sortedBy) {
        auto *records = qobject_cast<RecordWindow *>(window);
        t.restart();
        records->grdDataGrid_HeadClick(1);
        window->repaint();
        sortMs = msSince(t);
    }
    if (item.kind == WindowKind::frmPrintKatalog)
        lines << QStringLiteral("SELECT KeyBruker, KeyNummer FROM TBLbrukere");
    QFile out(sqlOut);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(lines.join(u'\n').toUtf8());
    std::printf("open %.1f\nsort %.1f\npeak %.1f\nall %.1f\nheld %.1f\n", openMs, sortMs, peakMb(),
                allMs, heldMs);
    delete window;
    return 0;
}

// The raw process: the same statements, and the sort as a raw ORDER BY of the same rows.
int rawChild(const QString &path, const Item &item, const QString &sqlIn)
{
    auto connection = Connection::open(buildConnectionString(path, databasePassword()));
    QFile in(sqlIn);
    in.open(QIODevice::ReadOnly);
    const QStringList lines = QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
    sqlite3 *db = connection->checkedHandle();
    QElapsedTimer t;
    t.start();
    for (const QString &sql : lines)
        scan(db, sql);
    const double openMs = msSince(t);
    double sortMs = -1;
    if (item.sortedBy && !lines.isEmpty()) {
        t.restart();
        scan(db, lines.first() + QStringLiteral(" ORDER BY ") + QLatin1String(item.sortedBy));
        sortMs = msSince(t);
    }
    std::printf("open %.1f\nsort %.1f\npeak %.1f\n", openMs, sortMs, peakMb());
    return 0;
}

struct Figures {
    double open = 0, sort = 0, peak = 0, all = 0, held = 0;
};

Figures runChild(const QString &mode, const QString &path, const Item &item, const QString &sql)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--child"), mode, QLatin1String(item.name), path, sql});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        qFatal("%s %s failed", qPrintable(mode), item.name);
    Figures f;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> w = line.split(' ');
        if (w.size() != 2)
            continue;
        const double v = w[1].toDouble();
        (w[0] == "open"   ? f.open
         : w[0] == "sort" ? f.sort
         : w[0] == "all"  ? f.all
         : w[0] == "held" ? f.held
                          : f.peak) = v;
    }
    return f;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void line(const char *what, const char *name, const QString &label, double ms, double raw)
{
    std::printf("%s %s at %s: %.0f ms, raw %.0f ms, ratio %.2f\n", what, name, qPrintable(label),
                ms, raw, raw > 0 ? ms / raw : 0.0);
    std::fflush(stdout);
}

// The copy the runs work on, with the preview's unit and its log.
QString workingCopy(const QString &site, const QTemporaryDir &dir,
                    const QString &name = QStringLiteral("site.db"))
{
    const QString path = dir.filePath(name);
    if (!QFile::copy(site, path))
        qFatal("cannot copy %s", qPrintable(site));
    auto connection = Connection::open(buildConnectionString(path, databasePassword()));
    connection->exec(QStringLiteral("BEGIN"));
    connection->exec(QStringLiteral("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet, "
                                    "Bygning) VALUES (?, 'Port', '6', 'Bygg 0')"),
                     {QLatin1String(kPreviewUnit)});
    fill(connection->checkedHandle(),
         "INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, Dato) VALUES "
         "(?,?,'Fornavn','Etternavn',?)",
         kPreviewRows, [](sqlite3_stmt *s, int i) {
             text(s, 1, kPreviewUnit);
             text(s, 2, phone(4, i));
             text(s, 3,
                  QByteArray::number(10 + i % 18) + "/0" + QByteArray::number(1 + i % 9) +
                      ",12:" + QByteArray::number(10 + i % 50));
         });
    connection->exec(QStringLiteral("COMMIT"));
    // As the program brings a file up to date when it opens it.
    addIndexes(connection);
    connection->addChangeCounters();
    // The counts as the last opening of the catalogue report left them: an opening measured
    // writes only what changed since, as on a site in use.
    updateUserPermissionCounts(connection);
    return path;
}

int runAll(const QString &site, const QString &label, int runs, const QString &only)
{
    QTemporaryDir dir;
    const QString path = workingCopy(site, dir);
    const QString sql = path + QStringLiteral(".select");
    const double fileMb = double(QFileInfo(site).size()) / (1024.0 * 1024.0);
    // What a window costs with next to no rows: its own making and showing, the part of its
    // figure no read can shorten (a small list's ratio is mostly this).
    const QString emptySite = dir.filePath(QStringLiteral("empty-made.db"));
    makeLargeSite(emptySite, SiteSize{0});
    const QString empty = workingCopy(emptySite, dir, QStringLiteral("empty.db"));
    for (const Item &item : kItems) {
        if (!only.isEmpty() && only != QLatin1String(item.name))
            continue;
        std::vector<double> open, raw, sort, rawSort, peak, all, held, bare;
        for (int r = 0; r < runs; ++r) {
            bare.push_back(runChild(QStringLiteral("window"), empty, item, sql).open);
            const Figures w = runChild(QStringLiteral("window"), path, item, sql);
            const Figures s = runChild(QStringLiteral("raw"), path, item, sql);
            open.push_back(w.open);
            sort.push_back(w.sort);
            peak.push_back(w.peak);
            all.push_back(w.all);
            held.push_back(w.held);
            raw.push_back(s.open);
            rawSort.push_back(s.sort);
        }
        line(item.preview ? "preview" : "window", item.name, label, median(open), median(raw));
        std::printf("%s %s on an empty site: %.0f ms\n", item.preview ? "preview" : "window",
                    item.name, median(bare));
        if (item.streamed) {
            line("all rows", item.name, label, median(all), median(raw));
            std::printf("held read %s at %s: %.0f ms, raw %.0f ms\n", item.name, qPrintable(label),
                        median(held), median(raw));
        }
        if (item.sortedBy)
            line("header sort", item.name, label, median(sort), median(rawSort));
        std::printf("peak memory %s at %s: %.0f MB, file %.0f MB, ratio %.2f\n", item.name,
                    qPrintable(label), median(peak), fileMb, median(peak) / fileMb);
    }
    QFile::remove(sql);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, const QString &fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    if (args.size() == 6 && args.at(1) == QLatin1String("--child")) {
        const Item &item = itemNamed(args.at(3));
        return args.at(2) == QLatin1String("window") ? windowChild(args.at(4), item, args.at(5))
                                                     : rawChild(args.at(4), item, args.at(5));
    }
    if (args.contains(QLatin1String("--make"))) {
        QElapsedTimer t;
        t.start();
        makeLargeSite(option("--make", QString()), SiteSize{option("--sent", "100000").toInt()});
        std::printf("site made in %lld ms\n", t.elapsed());
        return 0;
    }
    if (args.size() < 2)
        qFatal("usage: portiva-bench-windows --make FILE --sent N | FILE [--label L] [--runs N]");
    return runAll(args.at(1), option("--label", QStringLiteral("site")),
                  option("--runs", QStringLiteral("3")).toInt(), option("--only", QString()));
}
