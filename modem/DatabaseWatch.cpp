#include "modem/DatabaseWatch.h"

#include "modem/ModemHost.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

namespace portiva
{

DatabaseWatch::DatabaseWatch(AppState &state, ModemHost &host) : m_state(state), m_host(host) {}

void DatabaseWatch::tick(const std::function<void()> &work)
{
    FailureWatch watch;
    // The work and the look whether the file can be written again share one budget.
    Connection::BusyBudget budget(tickBudgetMs);
    work();
    // A tick whose work needed nothing of the file says nothing about the lock or the disk:
    // only a write that got through does, the work's own or a small one made to tell.
    if (!watch.blocking() && m_blocked != Blocked::No && (watch.wrote() || writableAgain())) {
        leave();
        return;
    }
    if (const DatabaseError *error = watch.blocking())
        enter(*error);
}

void DatabaseWatch::enter(const DatabaseError &error)
{
    const Blocked now = error.kind() == DatabaseError::Kind::Full ? Blocked::Full : Blocked::Locked;
    if (now == Blocked::Full) {
        m_barText = phrase(u"Databasen kan ikke skrives (disken er full): sending og mottak venter",
                           u"Databasen kan ikke skrives (disken er fuld): afsendelse og modtagelse "
                           u"venter",
                           u"Databasen kan inte skrivas (disken är full): sändning och mottagning "
                           u"väntar");
    } else {
        m_barText = phrase(u"Databasen er i bruk på en annen arbeidsstasjon: prøver igjen",
                           u"Databasen er i brug på en anden arbejdsstation: prøver igen",
                           u"Databasen används av en annan arbetsstation: försöker igen");
    }
    if (now != m_blocked) {
        const QString waits =
            now == Blocked::Full
                ? phrase(u"Sending og mottak av SMS venter til det er plass igjen.",
                         u"Afsendelse og modtagelse af SMS venter, til der er plads igen.",
                         u"Sändning och mottagning av SMS väntar tills det finns plats igen.")
                : phrase(u"Sending og mottak av SMS venter og prøves igjen av seg selv.",
                         u"Afsendelse og modtagelse af SMS venter og prøves igen automatisk.",
                         u"Sändning och mottagning av SMS väntar och försöks igen automatiskt.");
        // A line of its own, as every status-box message: the next one starts below it.
        m_host.Write2StatusBox(error.description() + QLatin1Char(' ') + waits +
                               QStringLiteral("\r\n"));
    }
    m_blocked = now;
    m_host.setStatusPanel(2, m_barText);
}

void DatabaseWatch::leave()
{
    m_blocked = Blocked::No;
    m_host.Write2StatusBox(
        phrase(u"Databasen kan brukes igjen; sending og mottak fortsetter.",
               u"Databasen kan bruges igen; afsendelse og modtagelse fortsætter.",
               u"Databasen kan användas igen; sändning och mottagning "
               u"fortsätter.") +
        QStringLiteral("\r\n"));
    // The receive panel as an idle reader leaves it.
    m_host.setStatusPanel(2, QStringLiteral("Klar for innkommende SMS"));
}

bool DatabaseWatch::writableAgain()
{
    const std::shared_ptr<Connection> connection = m_state.SharedConnection;
    if (!connection || !connection->isOpen())
        return false;
    try {
        Connection::BusyBudget budget(tickBudgetMs);
        // Rewriting the stored value changes nothing, but needs the journal and a sync, as
        // every real write does.
        const QVariant version = connection->scalar(QStringLiteral("PRAGMA user_version"));
        connection->exec(QStringLiteral("PRAGMA user_version = %1").arg(version.toLongLong()));
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace portiva
