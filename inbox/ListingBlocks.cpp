// The units' log and user listings: "*" entries, one or two lines each.

#include "inbox/CallState.h"
#include "inbox/InboxLog.h"
#include "inbox/InboxRepo.h"
#include "inbox/ReplyText.h"
#include "inbox/SmsInterpreter.h"
#include "inbox/SmsText.h"

namespace portiva
{

namespace
{

const QString LF = QStringLiteral("\n");

bool has(const QString &text, const char *what)
{
    return SmsText::inStr(text, QString::fromLatin1(what)) > 0;
}

QString twoDigits(const QString &part)
{
    return part.size() == 1 ? QStringLiteral("0") + part : part;
}

bool datePart(const QString &part)
{
    return (part.size() == 1 || part.size() == 2) && SmsText::isDigits(part);
}

// "d/m,h:mm" as LOGGData keeps it ("05/03,07:45"); nothing for a line that does not read so.
std::optional<QString> logDate(const QString &line)
{
    const int s = SmsText::inStr(line, QStringLiteral("/"));
    const int c = s ? SmsText::inStr(s + 1, line, QStringLiteral(",")) : 0;
    const int k = c ? SmsText::inStr(c + 1, line, QStringLiteral(":")) : 0;
    if (!k)
        return std::nullopt;
    const QString day = line.left(s - 1);
    const QString month = line.mid(s, c - s - 1);
    const QString hour = line.mid(c, k - c - 1);
    const QString minute = line.mid(k);
    for (const QString &part : {day, month, hour, minute}) {
        if (!datePart(part))
            return std::nullopt;
    }
    return twoDigits(day) + u'/' + twoDigits(month) + u',' + twoDigits(hour) + u':' +
           twoDigits(minute);
}

} // namespace

void SmsInterpreter::logListing(QString &working, const CallState &call)
{
    // Every pass either ends the block or leaves a shorter text, so no entry is read twice.
    while (has(working, "*") && has(working, "/") && has(working, ",") && has(working, ":")) {
        const int p = SmsText::inStr(working, QStringLiteral("*"));
        const std::optional<QString> user = listedUser(working.mid(p, 9));
        if (!user)
            return;
        const QString entry = working.mid(p - 1, 200);
        const int userEnd = SmsText::inStr(entry, LF);
        if (!userEnd)
            return; // a user with no date line after it
        working = entry.mid(userEnd, 200);
        const int lineEnd = SmsText::inStr(working, LF);
        const QString line = lineEnd ? working.left(lineEnd - 1) : working;
        const bool last = !lineEnd;
        if (!last)
            working = working.mid(lineEnd, 200);
        const std::optional<QString> dato = logDate(line);
        if (!dato) {
            qCDebug(lcInbox).noquote() << "log entry of" << *user << "without a date:" << line;
            if (last)
                return;
            continue;
        }

        InboxRepo::LogEntry row{call.sender, *user, *dato, QStringLiteral("?"),
                                QStringLiteral("?")};
        containedStep("names of a logged user", [&] {
            if (const auto names = m_repo.catalogueNamesByShort(*user))
                names->fillIn(row.Etternavn, row.Fornavn);
        });
        bool stored = true;
        if (containedStep("find a logged entry",
                          [&] { stored = m_repo.logEntryExists(*dato, call.sender, *user); }) &&
            !stored)
            containedStep("add a logged entry", [&] { m_repo.insertLogEntry(row); });
        if (last)
            return;
    }
}

void SmsInterpreter::userListing(QString &working, CallState &call)
{
    // A text with dates is a log, one with the admin keyword an admin listing: neither is read.
    while (has(working, "*") && !has(working, "/") && !has(working, "Forvalt")) {
        const int p = SmsText::inStr(working, QStringLiteral("*"));
        const QString candidate = working.mid(p, 9);
        // The mark belongs to the entries: a "-" in the listing's heading is no mark.
        const int dash = SmsText::inStr(p + 1, working, QStringLiteral("-"));
        if (dash && dash < working.size() && working.at(dash) != u'\n')
            call.suffix = QStringLiteral(" A") + working.at(dash);
        // Four characters a pass, whatever the entry: the loop always ends.
        working = working.mid(4, 200);

        const std::optional<QString> user = listedUser(candidate);
        if (!user)
            continue;
        const QString international = catalogueUser(*user, call, true);
        const QString status = QStringLiteral("AKTIV") + call.suffix;
        std::optional<qint64> id;
        if (!containedStep("find a listed right",
                           [&] { id = m_repo.rightAt(international, call.sender); }))
            continue;
        if (id) {
            containedStep("mark a listed right", [&] { m_repo.setRightStatus(*id, status); });
        } else {
            const QString from = call.today.toString(QStringLiteral("d/M/yyyy"));
            const QString to = call.today.addDays(7).toString(QStringLiteral("d/M/yyyy"));
            containedStep("add a listed right", [&] {
                m_repo.insertFetchedRight(call.sender, international, status, from, to);
            });
        }
    }
}

} // namespace portiva
