// Measures listing 100,000 catalogue rows sorted by surname, the way the report windows and
// the grids do it: an SQL ORDER BY through the collation of the program's lists, and a
// recordset's Sort of the rows already read. Names are drawn from Nordic spellings in both
// cases, so most of them are distinct. Run by hand; prints the figures.

#include "bench/Timing.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/TextOrder.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace portiva;

namespace
{

constexpr int Rows = 100000;
constexpr int Runs = 5;

QString surname(int i)
{
    static const char *stems[] = {"Aas",   "Ås",   "Ærlig", "Østby", "Zorro", "Öst",    "Äng",
                                  "Åberg", "berg", "Dahl",  "olsen", "Lie",   "Nilsen", "Haug"};
    static const char *tails[] = {"", "en", "sen", "dal", "vik", "rud", "stad", "heim"};
    QString name = QString::fromUtf8(stems[i % 14]) + QString::fromUtf8(tails[(i / 14) % 8]) +
                   QString::number(i % 977);
    return (i / 112) % 2 ? name.toUpper() : name;
}

void fill(const std::shared_ptr<Connection> &c)
{
    c->exec(QStringLiteral("CREATE TABLE Katalog (rid INTEGER PRIMARY KEY, Bruker TEXT COLLATE "
                           "NOCASE, Etternavn TEXT COLLATE NOCASE, Fornavn TEXT COLLATE NOCASE)"));
    Connection::Transaction t(c);
    for (int i = 0; i < Rows; ++i)
        c->exec(QStringLiteral("INSERT INTO Katalog (Bruker, Etternavn, Fornavn) VALUES (?, ?, ?)"),
                {QStringLiteral("+47%1").arg(90000000 + i), surname(i), QStringLiteral("Kari")});
    t.commit();
}

double measure(const std::function<void()> &setup, const std::function<void()> &work)
{
    return bench::medianMs(Runs, setup, work);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    {
        auto c = Connection::create(path, databasePassword());
        fill(c);
    }
    auto connection = Connection::open(buildConnectionString(path, databasePassword()));
    const QString select = QStringLiteral("SELECT Bruker, Etternavn, Fornavn FROM Katalog");
    std::printf("%d rows, median of %d runs\n", Rows, Runs);
    for (const char *code : {"47", "45", "46"}) {
        setListLanguage(QString::fromLatin1(code));
        const double plain = measure(nullptr, [&] {
            Recordset::open(connection, select + QStringLiteral(" ORDER BY Etternavn"));
        });
        const double listed = measure(nullptr, [&] {
            Recordset::open(connection,
                            select + QStringLiteral(" ORDER BY Etternavn") + listCollation());
        });
        auto rs = Recordset::open(connection, select);
        const double sort = measure([&] { rs->setSort(QString()); },
                                    [&] { rs->setSort(QStringLiteral("Etternavn")); });
        std::printf("%s: open ORDER BY (NOCASE) %8.1f ms, ORDER BY%s %8.1f ms, "
                    "setSort(\"Etternavn\") %8.1f ms\n",
                    code, plain, listCollation().toLatin1().constData(), listed, sort);
    }
    return 0;
}
