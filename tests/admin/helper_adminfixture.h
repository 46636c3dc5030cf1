#pragma once

// A database with one or two key units and row factories for the user tables and the queue,
// the main views opened on it as a reload opens them, and a fixed "today".

#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "platform/db/Connection.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"
#include "tests/support/TestDatabase.h"

#include <QDate>
#include <QVariant>

namespace portiva::test
{

struct AdminFixture {
    static QDate today() { return QDate(2026, 12, 9); }

    TestDatabase db;
    AppState state;
    MainViews views;
    MainTexts texts;

    AdminFixture()
    {
        state.SharedConnection = db.connection();
        state.CurrentSecurityLevel = QStringLiteral("6");
        state.CountryCode = QStringLiteral("47");
        addKey(QStringLiteral("+4711111111"), QStringLiteral("Hovedport"));
        addKey(QStringLiteral("+4722222222"), QStringLiteral("Garasje"));
        select(QStringLiteral("+4711111111"));
    }

    void exec(const QString &sql, const QVariantList &params = {})
    {
        db.connection()->exec(sql, params);
    }
    QVariant scalar(const QString &sql, const QVariantList &params = {})
    {
        return db.connection()->scalar(sql, params);
    }
    int count(const QString &table, const QString &where = QStringLiteral("1"),
              const QVariantList &params = {})
    {
        return scalar(QStringLiteral("SELECT count(*) FROM ") + table + QStringLiteral(" WHERE ") +
                          where,
                      params)
            .toInt();
    }

    void addKey(const QString &number, const QString &name)
    {
        exec(QStringLiteral("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet) VALUES "
                            "(?, ?, '4')"),
             {number, name});
    }
    // Makes the unit the one in view and reloads the views for it.
    void select(const QString &key)
    {
        state.SelectedKeyNummer = key;
        reload();
    }
    void reload() { MainRecordsets(state, views).openAll(); }

    void addRight(const QString &user, const QString &key, const QString &status,
                  const QString &from = QStringLiteral("1/1/2026"),
                  const QString &saldo = QStringLiteral("0"),
                  const QString &konto = QStringLiteral("Gjest"))
    {
        exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, "
                            "[Gyldig til], TilTid, Konto, Saldo, Status) VALUES (?, ?, ?, '00', "
                            "'31/12/2026', '24', ?, ?, ?)"),
             {user, key, from, konto, saldo, status});
    }
    qint64 addWaiting(const QString &user, const QString &key, const QString &from,
                      const QString &to, const QVariant &status = QStringLiteral("NY"),
                      const QString &saldo = QStringLiteral("0"),
                      const QVariant &konto = QStringLiteral("Gjest"))
    {
        exec(QStringLiteral("INSERT INTO NYEbrukere (Bruker, Etternavn, Fornavn, [Gyldig fra], "
                            "FraTid, [Gyldig til], TilTid, Konto, Saldo, Status, KeyNummer) "
                            "VALUES (?, 'Nilsen', 'Per', ?, '00', ?, '24', ?, ?, ?, ?)"),
             {user, from, to, konto, saldo, status, key});
        return db.connection()->lastInsertId();
    }
    void addQueued(const QString &to, const QString &text,
                   const QString &cmgs = QStringLiteral("UNSENT"))
    {
        exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, SMS_Text, Dato, "
                            "datolng, CMGS) VALUES (?, ?, ?, '2026-01-01', 46023, ?)"),
             {to, to.mid(3), text, cmgs});
    }
    // The queue as "recipient|text|state" lines in ID order.
    QStringList queue()
    {
        QStringList lines;
        auto c = db.connection();
        const int n = count(QStringLiteral("SMS_Sent"));
        for (int i = 0; i < n; ++i) {
            lines << scalar(QStringLiteral("SELECT TilNummer || '|' || SMS_Text || '|' || CMGS "
                                           "FROM SMS_Sent ORDER BY ID LIMIT 1 OFFSET ?"),
                            {i})
                         .toString();
        }
        return lines;
    }
};

} // namespace portiva::test
