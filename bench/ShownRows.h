#pragma once

// The rows the main window shows once it is reloaded from nothing: the key units of the level,
// the newest received message, the modem's row, and the user grid's tabs and list on the
// chosen tab. The SELECT statements such a reload runs are caught by a statement trace on a
// connection of their own (so that no rows are shared), and a raw SQLite scan of their rows,
// each statement once and cell by cell, is the figure a reload is measured beside.

#include "admin/KeyUsers.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "platform/db/Connection.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"

#include <QElapsedTimer>
#include <QStringList>
#include <sqlite3.h>

namespace portiva::bench
{

// Steps through every row of the statement, reading each cell as the layer would keep it.
inline qint64 scanRows(sqlite3 *db, const QByteArray &sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        qFatal("prepare: %s", sqlite3_errmsg(db));
    qint64 cells = 0;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                cells += sqlite3_column_int64(stmt, c) != 0;
                break;
            case SQLITE_TEXT:
                cells +=
                    QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)),
                                      sqlite3_column_bytes(stmt, c))
                        .size() > 0;
                break;
            default:
                ++cells;
                break;
            }
        }
    }
    sqlite3_finalize(stmt);
    return cells;
}

inline int traceSelect(unsigned, void *texts, void *stmt, void *)
{
    char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(stmt));
    const QString text = QString::fromUtf8(sql).trimmed();
    sqlite3_free(sql);
    // The layer's own look-ups (change counts, the schema) are not rows the window shows.
    if (text.startsWith(QLatin1String("select"), Qt::CaseInsensitive) &&
        !text.contains(QLatin1String("TableChanges")) &&
        !text.contains(QLatin1String("sqlite_master")))
        static_cast<QStringList *>(texts)->append(text);
    return 0;
}

// The statements, with their values written in, in the order first run.
inline QStringList shownStatements(const QString &path, const AppState &like, const QString &tab)
{
    AppState state;
    state.SharedConnection = Connection::open(buildConnectionString(path, databasePassword()));
    state.CurrentSecurityLevel = like.CurrentSecurityLevel;
    state.SelectedKeyNummer = like.SelectedKeyNummer;
    state.SelectedUserTab = tab;
    QStringList texts;
    sqlite3 *db = state.SharedConnection->checkedHandle();
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &traceSelect, &texts);
    MainViews views;
    const MainTexts mainTexts;
    const QString sortKey = QStringLiteral("Bruker");
    MainRecordsets reload(state, views);
    KeyUsers users(state, views, mainTexts, sortKey);
    reload.openAll();
    users.rebuild();
    sqlite3_trace_v2(db, 0, nullptr, nullptr);
    texts.removeDuplicates();
    return texts;
}

// The raw scan of those statements' rows on db (the connection measured, its cache warm).
inline double rawShownMs(sqlite3 *db, const QStringList &statements)
{
    QElapsedTimer t;
    t.start();
    for (const QString &sql : statements)
        scanRows(db, sql.toUtf8());
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace portiva::bench
