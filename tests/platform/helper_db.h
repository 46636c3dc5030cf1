#pragma once

// Small keyed database files for the database-layer tests, made with the layer's own create.

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace portiva::testdb
{

inline const char *schema()
{
    return R"sql(
CREATE TABLE KEYTable (rid INTEGER PRIMARY KEY, KeyNummer TEXT COLLATE NOCASE NOT NULL UNIQUE,
  KeyNavn TEXT COLLATE NOCASE, KeySikkerhet TEXT COLLATE NOCASE, Bygning TEXT COLLATE NOCASE);
CREATE TABLE Katalog (rid INTEGER PRIMARY KEY, Bruker TEXT COLLATE NOCASE NOT NULL UNIQUE,
  Etternavn TEXT COLLATE NOCASE, Fornavn TEXT COLLATE NOCASE, Tillatelser TEXT COLLATE NOCASE);
CREATE TABLE TBLbrukere (rid INTEGER PRIMARY KEY, KeyBruker TEXT COLLATE NOCASE,
  KeyNummer TEXT COLLATE NOCASE, [Gyldig fra] TEXT COLLATE NOCASE, Konto TEXT COLLATE NOCASE,
  Saldo TEXT COLLATE NOCASE, Status TEXT COLLATE NOCASE);
CREATE TABLE SMS_Sent (ID INTEGER PRIMARY KEY AUTOINCREMENT, TilNummer TEXT COLLATE NOCASE,
  SMS_Text TEXT COLLATE NOCASE, CMGS TEXT COLLATE NOCASE, Dato DATE, datolng INTEGER);
CREATE TABLE Modem (rid INTEGER PRIMARY KEY, ModemNavn TEXT COLLATE NOCASE,
  ModemStatus BOOLEAN NOT NULL DEFAULT 0);
CREATE VIEW Brukere AS SELECT t.KeyBruker, t.KeyNummer, t.Konto, k.Etternavn, k.Fornavn
  FROM TBLbrukere t LEFT JOIN Katalog k ON k.Bruker = t.KeyBruker;
CREATE VIEW brukertillatelser AS SELECT k.Bruker, COUNT(t.KeyNummer) AS antallavkeynummer
  FROM Katalog k LEFT JOIN TBLbrukere t ON t.KeyBruker = k.Bruker GROUP BY k.Bruker;
)sql";
}

// A fresh database in its own temporary folder, with the tables above and the given rows.
class Fixture
{
public:
    explicit Fixture(const QString &rows = QString())
    {
        m_path = m_dir.filePath(QStringLiteral("Brimo02.mdb"));
        auto c = Connection::create(m_path, databasePassword());
        c->exec(QString::fromUtf8(schema()) + rows);
        c->close();
    }
    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    QString connectionString() const { return buildConnectionString(m_path, databasePassword()); }
    std::shared_ptr<Connection> open() const { return Connection::open(connectionString()); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Every row of the set in its current order, as a grid reads it.
inline QList<QVariantList> rowsOf(const Recordset &rs)
{
    QList<QVariantList> rows;
    for (int r = 0; r < rs.rowCount(); ++r) {
        QVariantList row;
        for (int c = 0; c < rs.fieldCount(); ++c)
            row << rs.cell(r, c);
        rows << row;
    }
    return rows;
}

// The description of the error the call raised, "" when it raised none.
inline QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &e) {
        return e.description();
    }
    return QString();
}

} // namespace portiva::testdb
