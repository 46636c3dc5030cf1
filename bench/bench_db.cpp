// Measures the database layer on a send log of 100,000 rows: opening a keyed connection, a raw
// scan with the SQLite C API (the yardstick), a full Recordset open, a find near the end, a sort
// by a text column, and the peak memory. Run by hand; prints the figures and the goals.

#include "bench/Timing.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <sys/resource.h>
#include <vector>

using namespace portiva;

namespace
{

constexpr int Rows = 100000;
constexpr int Runs = 5;

const char *Schema = R"sql(
CREATE TABLE SMS_Sent (ID INTEGER PRIMARY KEY AUTOINCREMENT, TilNummer TEXT COLLATE NOCASE,
  TilNummerKort TEXT COLLATE NOCASE, Etternavn TEXT COLLATE NOCASE, Fornavn TEXT COLLATE NOCASE,
  Dato DATE, datolng INTEGER, SMS_Text TEXT COLLATE NOCASE, CMGS TEXT COLLATE NOCASE,
  TimeSent TEXT COLLATE NOCASE, TimeReceived TEXT COLLATE NOCASE,
  ReceivedStatus TEXT COLLATE NOCASE);
)sql";

const char *Select = "SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato, datolng, "
                     "SMS_Text, CMGS, TimeSent, TimeReceived, ReceivedStatus FROM SMS_Sent";

QString numberOf(int i)
{
    return QStringLiteral("+479%1").arg(1000000 + i, 7, 10, QLatin1Char('0'));
}

void fill(Connection &c)
{
    static const char *surnames[] = {"Berg",   "dal",      "Ærlig", "Hansen", "olsen",
                                     "Øvrebø", "Johansen", "Lie",   "Åsen",   "Nilsen"};
    static const char *names[] = {"Ola", "kari", "Per", "Åse", "Nils", "Mona", "Bjørn"};
    c.exec(QString::fromUtf8(Schema));
    c.exec(QStringLiteral("BEGIN"));
    const QString sql = QStringLiteral(
        "INSERT INTO SMS_Sent (TilNummer, TilNummerKort, Etternavn, Fornavn, Dato, datolng, "
        "SMS_Text, CMGS, TimeSent, TimeReceived, ReceivedStatus) VALUES "
        "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(c.handle(), sql.toUtf8().constData(), -1, &st, nullptr);
    for (int i = 0; i < Rows; ++i) {
        const QDate day = QDate(2009, 1, 1).addDays(i / 300);
        const QByteArray values[] = {
            numberOf(i).toUtf8(),
            numberOf(i).mid(3).toUtf8(),
            QByteArray(surnames[(i * 7) % 10]),
            QByteArray(names[(i * 3) % 7]),
            day.toString(Qt::ISODate).toUtf8(),
            QByteArray(),
            QStringLiteral("ADD %1 0000 2009 0101 2099 1231 00 24 Gjest").arg(numberOf(i)).toUtf8(),
            i % 10 == 0 ? QByteArray("UNSENT") : QByteArray::number(i % 255),
            QByteArray("10:15:00"),
            QByteArray("10:15:07"),
            QByteArray("OK")};
        for (int k = 0; k < 11; ++k) {
            if (k == 5)
                sqlite3_bind_int64(st, 6, QDate(1899, 12, 30).daysTo(day));
            else
                sqlite3_bind_text(st, k + 1, values[k].constData(), int(values[k].size()),
                                  SQLITE_TRANSIENT);
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    c.exec(QStringLiteral("COMMIT"));
}

double measure(const std::function<void()> &setup, const std::function<void()> &work)
{
    return bench::medianMs(Runs, setup, work);
}

long rawScan(sqlite3 *db)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, Select, -1, &st, nullptr);
    long bytes = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            sqlite3_column_text(st, c);
            bytes += sqlite3_column_bytes(st, c);
        }
    }
    sqlite3_finalize(st);
    return bytes;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void report(const char *what, double value, const char *unit, double goal = -1)
{
    if (goal < 0)
        std::printf("%-34s %10.1f %s\n", what, value, unit);
    else
        std::printf("%-34s %10.1f %s   (goal <= %.1f: %s)\n", what, value, unit, goal,
                    value <= goal ? "met" : "MISSED");
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    {
        auto c = Connection::create(path, databasePassword());
        fill(*c);
    }
    const QString text = buildConnectionString(path, databasePassword());
    std::printf("%d rows, median of %d runs\n", Rows, Runs);

    const double open = measure(nullptr, [&] { Connection::open(text); });
    auto connection = Connection::open(text);
    rawScan(connection->handle()); // warm the page cache for both contenders
    const double scan = measure(nullptr, [&] { rawScan(connection->handle()); });
    std::shared_ptr<Recordset> rs;
    const double load = measure(
        [&] { rs.reset(); }, [&] { rs = Recordset::open(connection, QString::fromUtf8(Select)); });
    const QString target = numberOf(Rows - 10).toLower();
    bool found = false;
    const double find = measure([&] { rs->MoveFirst(); },
                                [&] { found = rs->find(QStringLiteral("TilNummer"), target); });
    const double sort =
        measure([&] { rs->setSort(QString()); }, [&] { rs->setSort(QStringLiteral("Etternavn")); });
    const double sortDesc = measure([&] { rs->setSort(QString()); },
                                    [&] { rs->setSort(QStringLiteral("Fornavn DESC, ID")); });

    report("open keyed connection", open, "ms");
    report("raw scan, every column as text", scan, "ms");
    report("Recordset::open, all rows", load, "ms", 1.5 * scan);
    std::printf("%-34s %10.2f x raw scan\n", "  ratio", load / scan);
    report(found ? "find near the end (found)" : "find near the end (NOT FOUND)", find, "ms", 20);
    report("setSort(\"Etternavn\")", sort, "ms", 150);
    report("setSort(\"Fornavn DESC, ID\")", sortDesc, "ms", 150);
    report("peak memory", double(peakMegabytes()), "MB", 150);
    return 0;
}
