#pragma once

// The example catalogue of received messages (inbox-cases.tsv), its seeds and
// the database rows the cases compare.

#include "helper_inbox.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace portiva::test
{

struct CaseRow {
    QString id, countryCode, header, body, seed;
    QJsonObject expected;
};

QList<CaseRow> caseCatalogue();
// "\n" is a line feed, "\xNN" one byte; everything else stands for its own code.
QByteArray unescapeBody(const QString &escaped);

// What the seed column asks of the modem and the call besides rows.
struct CaseSetup {
    ModemScript how = ModemScript::Normal;
    bool refuseReceived = false;
};
// Seeds the rig from the seed column; false (with the unknown token in error) for a token
// not known here.
bool applySeed(InboxRig &rig, const QString &seed, CaseSetup &setup, QString &error);

extern const QString K;
// Every row of a table, in key order; columns as the catalogue names them ("Gyldig fra").
QList<QVariantMap> tableRows(InboxRig &rig, const QString &table, const QStringList &columns);
// One line per row, Null written "<null>", sorted: for comparing row sets.
QStringList rowLines(const QList<QVariantMap> &rows, const QStringList &columns);

} // namespace portiva::test
