#include "platform/phrase/FileTexts.h"

#include "platform/phrase/Phrase.h"

namespace portiva
{

namespace
{

QString reasonOf(QFileDevice::FileError kind)
{
    switch (kind) {
    case QFileDevice::ReadError:
        return phrase(u"filen kunne ikke leses", u"filen kunne ikke læses",
                      u"filen kunde inte läsas");
    case QFileDevice::WriteError:
        return phrase(u"filen kunne ikke skrives (er disken full?)",
                      u"filen kunne ikke skrives (er disken fuld?)",
                      u"filen kunde inte skrivas (är disken full?)");
    case QFileDevice::OpenError:
        return phrase(u"filen kunne ikke åpnes (finnes den, og har brukeren tilgang til den?)",
                      u"filen kunne ikke åbnes (findes den, og har brugeren adgang til den?)",
                      u"filen kunde inte öppnas (finns den, och har användaren åtkomst till den?)");
    case QFileDevice::PermissionsError:
        return phrase(u"brukeren har ikke tilgang til filen", u"brugeren har ikke adgang til filen",
                      u"användaren har inte åtkomst till filen");
    case QFileDevice::RenameError:
    case QFileDevice::CopyError:
    case QFileDevice::RemoveError:
        return phrase(u"filen kunne ikke få sitt nye navn", u"filen kunne ikke få sit nye navn",
                      u"filen kunde inte få sitt nya namn");
    default:
        return phrase(u"feil ved bruk av filen", u"fejl ved brug af filen",
                      u"fel vid användning av filen");
    }
}

} // namespace

QString fileFailureReason(QFileDevice::FileError kind, const QString &detail)
{
    return withDetail(reasonOf(kind), detail);
}

QString fileFailureReason(const QFileDevice &file)
{
    return fileFailureReason(file.error(), file.errorString());
}

QString internalFailureText(const QString &detail)
{
    return phrase(u"Handlingen ble avbrutt av en feil i programmet (%1).",
                  u"Handlingen blev afbrudt af en fejl i programmet (%1).",
                  u"Åtgärden avbröts av ett fel i programmet (%1).")
        .arg(detail);
}

QString outOfMemoryText()
{
    return phrase(u"Handlingen ble avbrutt: maskinen har ikke mer ledig minne.",
                  u"Handlingen blev afbrudt: maskinen har ikke mere ledig hukommelse.",
                  u"Åtgärden avbröts: datorn har inget mer ledigt minne.");
}

} // namespace portiva
