#include "platform/db/DbDetail.h"

#include "platform/db/DbError.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"

#include <QByteArray>
#include <QDateTime>
#include <cmath>
#include <sqlite3.h>

namespace portiva::dbdetail
{

void throwSqlite(sqlite3 *db)
{
    throw sqliteFailure(db);
}

void fail(const QString &description, int number)
{
    throw Error(description, number);
}

Statement::Statement(sqlite3 *db, const QString &sql) : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throwSqlite(db);
    }
}

Statement::~Statement()
{
    finalize();
}

Statement::Statement(Statement &&other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        finalize();
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

int Statement::bind(const QVariantList &params, int first)
{
    const int count = sqlite3_bind_parameter_count(m_stmt);
    int next = first;
    for (int i = 1; i <= count && next < params.size(); ++i, ++next)
        bindValue(m_db, m_stmt, i, params.at(next));
    return next;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE)
        noteStep();
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        if (!sqlite3_stmt_readonly(m_stmt))
            noteWrite();
        return false;
    }
    throwSqlite(m_db);
}

void Statement::finalize()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

static void bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    // A null QByteArray still has a valid constData(), so "" is bound as text, never as NULL.
    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void bindValue(sqlite3 *db, sqlite3_stmt *stmt, int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt, index);
        if (rc != SQLITE_OK)
            throwSqlite(db);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        rc = sqlite3_bind_int64(stmt, index, value.toBool() ? -1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        rc = sqlite3_bind_int64(stmt, index, value.toLongLong());
        break;
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        rc = sqlite3_bind_int64(stmt, index, qint64(value.toULongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        rc = sqlite3_bind_double(stmt, index, value.toDouble());
        break;
    case QMetaType::QDate:
        bindText(stmt, index, value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
        break;
    case QMetaType::QDateTime:
        bindText(stmt, index, value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        rc = sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        bindText(stmt, index, value.toString());
        break;
    }
    if (rc != SQLITE_OK)
        throwSqlite(db);
}

QVariant columnValue(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)));
    }
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, column)));
    }
    default:
        return QVariant();
    }
}

int compareNoCase(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

bool hasWord(const QString &sql, const QSet<QString> &words)
{
    QString word;
    auto check = [&] {
        const bool hit = words.contains(word.toUpper());
        word.clear();
        return hit;
    };
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        QChar close;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
            close = c;
        else if (c == QLatin1Char('['))
            close = QLatin1Char(']');
        if (!close.isNull()) {
            if (check())
                return true;
            const qsizetype end = sql.indexOf(close, i + 1);
            i = end < 0 ? sql.size() : end;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_')) {
            word += c;
        } else if (check()) {
            return true;
        }
    }
    return check();
}

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString integerText(qlonglong value)
{
    return QString::number(value);
}

QString numberText(double value)
{
    return vb::numberText(value);
}

QString shortDateText(const QDate &date)
{
    return vb::shortDateText(date);
}

bool readNumber(QStringView text, double *value)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    bool ok = false;
    const double v = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    if (value)
        *value = v;
    return true;
}

} // namespace portiva::dbdetail
