#pragma once

// Internals shared by the connection and the recordset; not for callers outside platform/db.

#include <QDate>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

namespace portiva::dbdetail
{

[[noreturn]] void throwSqlite(sqlite3 *db);
[[noreturn]] void fail(const QString &description, int number = 0);

// Owns one prepared statement; finalizes it however the scope is left.
class Statement
{
public:
    Statement() = default;
    // Prepares the first statement of sql; throws the SQLite message.
    Statement(sqlite3 *db, const QString &sql);
    // Takes over a statement already prepared.
    Statement(sqlite3 *db, sqlite3_stmt *prepared) : m_db(db), m_stmt(prepared) {}
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    sqlite3_stmt *get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }
    // Binds values to ?1.. in order, starting at params[first]; returns the index after the last.
    int bind(const QVariantList &params, int first = 0);
    // Steps once: true for a row, false when done; throws the SQLite message otherwise.
    bool step();
    void finalize();

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

// A parameter value as the database stores it (bool -1/0, dates as ISO text, ...).
void bindValue(sqlite3 *db, sqlite3_stmt *stmt, int index, const QVariant &value);
// A result column by its storage class: null, qlonglong, double, QString or QByteArray.
QVariant columnValue(sqlite3_stmt *stmt, int column);

// Texts compared without regard to case (Unicode case folding), as find matches them and as
// the list order breaks the language's ties.
int compareNoCase(QStringView a, QStringView b);

// True when the query text, outside quotes and brackets, has one of the words (given in
// capitals), ignoring case.
bool hasWord(const QString &sql, const QSet<QString> &words);

// Quoted SQL identifier: "name" with inner quotes doubled.
QString quoteIdentifier(const QString &name);

// The runtime's texts for numbers and the short date.
QString numberText(double value);
QString integerText(qlonglong value);
QString shortDateText(const QDate &date);

// Text that wholly reads as a number (blanks at either end allowed, "." as decimal point).
bool readNumber(QStringView text, double *value);

} // namespace portiva::dbdetail
