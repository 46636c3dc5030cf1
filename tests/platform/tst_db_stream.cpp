// A streamed recordset: it shows its first rows at once and reads the rest between events, yet
// everything it answers is what a read at once answers. Each case compares with Recordset::open
// on a file of its own (or a connection of its own), which streams and shares nothing.

#include "helper_db.h"
#include "platform/ui/RecordsetModel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <sqlite3.h>

using namespace portiva;
using namespace portiva::testdb;

namespace
{

// More rows than the first slice holds, so that an open set is still reading.
constexpr int manyRows = 1000;

// Rows 1..count of SMS_Sent; every third queued, the texts padded to width.
QString sentRows(int count, int width = 0)
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i "
                          "< %1) INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS, Dato) SELECT "
                          "'+47' || (90000000 + i % 97), printf('Tekst %d%-*s', i, %2, ''), CASE "
                          "i % 3 WHEN 0 THEN 'UNSENT' ELSE i END, '2024-03-01' FROM n;")
        .arg(count)
        .arg(width);
}

const QString sent = QStringLiteral("SELECT ID, TilNummer, SMS_Text, CMGS, Dato FROM SMS_Sent");

void readToTheEnd(const Recordset &rs)
{
    QTRY_VERIFY_WITH_TIMEOUT(!rs.streaming(), 20000);
}

// Every signal told of the rows right after those told before.
bool contiguous(const QSignalSpy &spy, int from, int to)
{
    int next = from;
    for (const QList<QVariant> &args : spy) {
        if (args.at(0).toInt() != next || args.at(1).toInt() < next)
            return false;
        next = args.at(1).toInt() + 1;
    }
    return next == to;
}

using Action = std::function<QString(Recordset &, Connection &other)>;
using Writer = std::function<void(const std::shared_ptr<Connection> &)>;

QString idAt(const Recordset &rs)
{
    return rs.EOF() || rs.BOF() ? QStringLiteral("-") : rs.toText("ID");
}

QString ids(const Recordset &rs)
{
    QStringList list;
    for (int r = 0; r < rs.rowCount(); ++r)
        list << rs.cellText(r, 0);
    return list.join(u' ');
}

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Writer)

class TestDbStream : public QObject
{
    Q_OBJECT
private slots:
    void sameRowsAsOpen_data();
    void sameRowsAsOpen();
    void wholeSetOperationMidStream_data();
    void wholeSetOperationMidStream();
    void modelGrowsWithTheRows_data();
    void modelGrowsWithTheRows();
    void writerOfTheSameProcessDoesNotWait_data();
    void writerOfTheSameProcessDoesNotWait();
    void failureMidStreamIsReported_data();
    void failureMidStreamIsReported();
    void statementEndsWithTheSet_data();
    void statementEndsWithTheSet();
};

void TestDbStream::sameRowsAsOpen_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariantList>("params");
    QTest::addColumn<QString>("sortInQuery");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("stillReading");
    QTest::newRow("hidden key") << sent << QVariantList() << QString() << manyRows << true;
    QTest::newRow("sorted in the query") << sent + " ORDER BY ID DESC" << QVariantList()
                                         << QStringLiteral("ID DESC") << manyRows << true;
    QTest::newRow("parameters") << sent + " WHERE CMGS = ? OR TilNummer = ?"
                                << QVariantList{"UNSENT", "+4790000005"} << QString() << manyRows
                                << true;
    QTest::newRow("read-only join")
        << "SELECT s.ID, s.SMS_Text, k.KeyNavn FROM SMS_Sent s LEFT JOIN KEYTable k ON "
           "k.KeyNummer = s.TilNummer"
        << QVariantList() << QString() << manyRows << true;
    QTest::newRow("empty result") << sent + " WHERE CMGS = 'none'" << QVariantList() << QString()
                                  << manyRows << false;
    QTest::newRow("smaller than the first slice")
        << sent << QVariantList() << QString() << 40 << false;
}

void TestDbStream::sameRowsAsOpen()
{
    QFETCH(QString, sql);
    QFETCH(QVariantList, params);
    QFETCH(QString, sortInQuery);
    QFETCH(int, rows);
    QFETCH(bool, stillReading);
    Fixture fixture(sentRows(rows));
    auto whole = Recordset::open(fixture.open(), sql, params);
    auto db = fixture.open();
    auto streamed = Recordset::openStreamed(db, sql, params, sortInQuery);
    QSignalSpy appended(streamed.get(), &Recordset::rowsAppended);
    const int first = streamed->rowCount();

    QCOMPARE(streamed->streaming(), stillReading);
    QCOMPARE(first < whole->rowCount(), stillReading);
    QCOMPARE(streamed->Sort(), sortInQuery);
    QCOMPARE(streamed->isReadOnly(), whole->isReadOnly());
    QCOMPARE(streamed->EOF(), whole->EOF());
    QCOMPARE(streamed->AbsolutePosition(), whole->AbsolutePosition());
    readToTheEnd(*streamed);
    QVERIFY(contiguous(appended, first, whole->rowCount()));
    QCOMPARE(rowsOf(*streamed), rowsOf(*whole));
    // Read whole, the rows are kept for sharing as a read at once keeps them.
    QVERIFY(!Recordset::openStreamed(db, sql, params, sortInQuery)->streaming());
}

void TestDbStream::wholeSetOperationMidStream_data()
{
    QTest::addColumn<Action>("action");
    QTest::newRow("RecordCount") << Action(
        [](Recordset &rs, Connection &) { return QString::number(rs.RecordCount()); });
    QTest::newRow("MoveLast") << Action([](Recordset &rs, Connection &) {
        rs.MoveLast();
        return idAt(rs) + ' ' + QString::number(rs.AbsolutePosition());
    });
    QTest::newRow("MoveNext until EOF") << Action([](Recordset &rs, Connection &) {
        int moves = 0;
        for (; !rs.EOF(); ++moves)
            rs.MoveNext();
        return QString::number(moves) + ' ' + QString::number(rs.AbsolutePosition());
    });
    QTest::newRow("find") << Action([](Recordset &rs, Connection &) {
        const bool found = rs.find("SMS_Text", "tekst 900");
        const QString at = idAt(rs);
        return QString::number(found) + at + QString::number(rs.find("SMS_Text", "tekst 9999")) +
               QString::number(rs.EOF());
    });
    QTest::newRow("setSort") << Action([](Recordset &rs, Connection &) {
        rs.setSort("TilNummer DESC, SMS_Text");
        return ids(rs);
    });
    QTest::newRow("Clone") << Action([](Recordset &rs, Connection &) {
        rs.MoveNext();
        auto copy = rs.Clone();
        return ids(*copy) + ' ' + idAt(*copy) + idAt(rs);
    });
    QTest::newRow("setAbsolutePosition") << Action([](Recordset &rs, Connection &) {
        rs.setAbsolutePosition(900);
        return idAt(rs);
    });
    QTest::newRow("Update") << Action([](Recordset &rs, Connection &other) {
        rs.MoveNext();
        rs.setValue("SMS_Text", "Endret");
        rs.Update();
        return other.scalar("SELECT SMS_Text FROM SMS_Sent WHERE ID = 2").toString() +
               rs.cellText(1, 2) + QString::number(rs.RecordCount());
    });
    // The other connection's commit meets the stream's open read.
    QTest::newRow("Update changed elsewhere") << Action([](Recordset &rs, Connection &other) {
        other.exec("UPDATE SMS_Sent SET SMS_Text = 'Der' WHERE ID = 1");
        rs.setValue("SMS_Text", "Her");
        const QString refusal = errorOf([&] { rs.Update(); });
        return refusal.section(u'«', 0, 0) + QString::number(rs.RecordCount()) +
               other.scalar("SELECT SMS_Text FROM SMS_Sent WHERE ID = 1").toString();
    });
    QTest::newRow("Delete") << Action([](Recordset &rs, Connection &other) {
        rs.MoveNext();
        rs.Delete();
        rs.MoveNext();
        return idAt(rs) + ' ' + QString::number(rs.RecordCount()) + ' ' +
               other.scalar("SELECT count(*) FROM SMS_Sent").toString();
    });
    QTest::newRow("AddNew") << Action([](Recordset &rs, Connection &) {
        rs.AddNew();
        rs.setValue("SMS_Text", "Ny");
        rs.Update();
        return idAt(rs) + ' ' + QString::number(rs.AbsolutePosition());
    });
    QTest::newRow("Requery") << Action([](Recordset &rs, Connection &other) {
        other.exec("DELETE FROM SMS_Sent WHERE ID > 500");
        rs.Requery();
        return ids(rs);
    });
}

void TestDbStream::wholeSetOperationMidStream()
{
    QFETCH(Action, action);
    Fixture atOnce(sentRows(manyRows));
    Fixture streamedFile(sentRows(manyRows));
    auto whole = Recordset::open(atOnce.open(), sent);
    auto streamed = Recordset::openStreamed(streamedFile.open(), sent);
    QVERIFY(streamed->streaming());
    const QString expected = action(*whole, *atOnce.open());
    QCOMPARE(action(*streamed, *streamedFile.open()), expected);
    QVERIFY(!streamed->streaming());
    QCOMPARE(rowsOf(*streamed), rowsOf(*whole));
}

void TestDbStream::modelGrowsWithTheRows_data()
{
    QTest::addColumn<bool>("newRowLine");
    QTest::addColumn<bool>("byEventLoop"); // else by an operation on the whole set
    for (const bool line : {false, true}) {
        QTest::addRow("event loop%s", line ? ", new-row line" : "") << line << true;
        QTest::addRow("RecordCount%s", line ? ", new-row line" : "") << line << false;
    }
}

void TestDbStream::modelGrowsWithTheRows()
{
    QFETCH(bool, newRowLine);
    QFETCH(bool, byEventLoop);
    Fixture fixture(sentRows(manyRows));
    auto rs = Recordset::openStreamed(fixture.open(), sent);
    RecordsetModel model;
    model.setAllowAddNew(newRowLine);
    QVERIFY(model.setRecordset(rs));
    const int first = model.rowCount();
    QCOMPARE(first, rs->rowCount() + int(newRowLine));
    QVERIFY(first < manyRows);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    if (byEventLoop)
        readToTheEnd(*rs);
    else
        QCOMPARE(rs->RecordCount(), manyRows);
    QCOMPARE(model.rowCount(), manyRows + int(newRowLine));
    int told = first - int(newRowLine);
    for (const QList<QVariant> &args : std::as_const(inserted)) {
        QCOMPARE(args.at(1).toInt(), told);
        told = args.at(2).toInt() + 1;
    }
    QCOMPARE(told, manyRows);
    QCOMPARE(model.isNewRowLine(manyRows), newRowLine);
    QCOMPARE(model.index(manyRows - 1, 0).data().toString(), QString::number(manyRows));
}

void TestDbStream::writerOfTheSameProcessDoesNotWait_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<bool>("counted");
    const Writer plain = [](const std::shared_ptr<Connection> &c) {
        c->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text) VALUES ('+4799', 'Ny')");
    };
    const Writer transaction = [](const std::shared_ptr<Connection> &c) {
        Connection::Transaction t(c);
        c->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text) VALUES ('+4799', 'Ny')");
        c->exec("UPDATE SMS_Sent SET CMGS = 'UNSENT' WHERE ID = 1");
        t.commit();
    };
    const Writer recordset = [](const std::shared_ptr<Connection> &c) {
        auto rs = Recordset::open(c, "SELECT TilNummer, SMS_Text FROM SMS_Sent WHERE ID = 1");
        rs->AddNew();
        rs->setValue("SMS_Text", "Ny");
        rs->Update();
    };
    QTest::newRow("statement") << plain << false;
    QTest::newRow("transaction") << transaction << false;
    QTest::newRow("transaction, tables counted") << transaction << true;
    QTest::newRow("recordset") << recordset << true;
}

void TestDbStream::writerOfTheSameProcessDoesNotWait()
{
    QFETCH(Writer, writer);
    QFETCH(bool, counted);
    Fixture fixture(sentRows(manyRows));
    auto window = fixture.open();
    if (counted)
        window->addChangeCounters();
    const auto before = rowsOf(*Recordset::open(fixture.open(), sent));
    auto rs = Recordset::openStreamed(window, sent);
    QSignalSpy appended(rs.get(), &Recordset::rowsAppended);
    QVERIFY(rs->streaming());

    QElapsedTimer waited;
    waited.start();
    writer(fixture.open());
    // The busy timeout is five seconds; a writer left to wait for the stream's lock takes it all
    // and fails.
    QVERIFY2(waited.elapsed() < Connection::busyTimeoutMs / 2,
             qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(fixture.open()->scalar("SELECT count(*) FROM SMS_Sent").toInt(), manyRows + 1);
    // The rows were told of later, from the event loop, never inside the writer's statement.
    QCOMPARE(appended.count(), 0);
    readToTheEnd(*rs);
    QVERIFY(!appended.isEmpty());
    QCOMPARE(rowsOf(*rs), before);
    // The next reload reads the file as the writer left it.
    auto reload = Recordset::openStreamed(window, sent);
    QCOMPARE(reload->RecordCount(), manyRows + 1);
    QCOMPARE(rowsOf(*reload), rowsOf(*Recordset::open(fixture.open(), sent)));
}

void TestDbStream::failureMidStreamIsReported_data()
{
    QTest::addColumn<bool>("byEventLoop"); // else met by an operation on the whole set
    QTest::newRow("met by the event loop") << true;
    QTest::newRow("met by RecordCount") << false;
}

// The last pages of the file are the last rows' pages; spoiled while the stream reads its
// first ones, they fail the read when it reaches them.
void TestDbStream::failureMidStreamIsReported()
{
    QFETCH(bool, byEventLoop);
    const int rows = 3000;
    Fixture fixture(sentRows(rows, 200));
    auto rs = Recordset::openStreamed(fixture.open(), sent);
    QSignalSpy failed(rs.get(), &Recordset::readFailed);
    QVERIFY(rs->streaming());
    {
        QFile file(fixture.path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 spoiled = 40 * 4096;
        QVERIFY(file.size() > 4 * spoiled);
        file.seek(file.size() - spoiled);
        file.write(QByteArray(spoiled, '\x5a'));
    }

    QString described;
    if (byEventLoop) {
        readToTheEnd(*rs);
        QCOMPARE(failed.count(), 1);
        described = failed.at(0).at(0).toString();
        QCOMPARE(errorOf([&] { rs->RecordCount(); }), described);
    } else {
        described = errorOf([&] { rs->RecordCount(); });
        QCoreApplication::processEvents();
        // The operation's caller shows it; no second report follows.
        QCOMPARE(failed.count(), 0);
    }
    QVERIFY(!described.isEmpty());
    QVERIFY(!rs->streaming());
    QVERIFY(rs->rowCount() < rows);
    // Kept: no later operation takes the rows read for the whole answer.
    QCOMPARE(errorOf([&] { rs->MoveLast(); }), described);
    QCOMPARE(errorOf([&] { rs->Clone(); }), described);
}

void TestDbStream::statementEndsWithTheSet_data()
{
    QTest::addColumn<Action>("end");
    QTest::addColumn<int>("rowsKept");
    QTest::newRow("Close") << Action([](Recordset &rs, Connection &) {
        rs.Close();
        return QString();
    }) << 0;
    QTest::newRow("connection closed") << Action([](Recordset &, Connection &c) {
        c.close();
        return QString();
    }) << manyRows;
}

void TestDbStream::statementEndsWithTheSet()
{
    QFETCH(Action, end);
    QFETCH(int, rowsKept);
    Fixture fixture(sentRows(manyRows));
    auto db = fixture.open();
    sqlite3 *handle = db->handle();
    {
        auto gone = Recordset::openStreamed(db, sent);
        QVERIFY(sqlite3_next_stmt(handle, nullptr));
    }
    QVERIFY(!sqlite3_next_stmt(handle, nullptr));

    auto rs = Recordset::openStreamed(db, sent);
    QVERIFY(sqlite3_next_stmt(handle, nullptr));
    end(*rs, *db);
    if (db->isOpen())
        QVERIFY(!sqlite3_next_stmt(handle, nullptr));
    readToTheEnd(*rs);
    QCOMPARE(rs->rowCount(), rowsKept);
}

QTEST_GUILESS_MAIN(TestDbStream)
#include "tst_db_stream.moc"
