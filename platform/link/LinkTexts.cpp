#include "platform/link/LinkTexts.h"

#include "platform/phrase/Phrase.h"

#include <QFile>
#include <unistd.h>

namespace portiva
{

bool deviceAccessible(const QString &device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
}

QString serialFailureReason(QSerialPort::SerialPortError kind, bool accessible)
{
    switch (kind) {
    case QSerialPort::DeviceNotFoundError:
        return phrase(u"porten finnes ikke", u"porten findes ikke", u"porten finns inte");
    case QSerialPort::PermissionError:
        if (accessible)
            return phrase(u"porten er i bruk av et annet program",
                          u"porten er i brug af et andet program",
                          u"porten används av ett annat program");
        return phrase(u"ingen tilgang til porten (er brukeren med i gruppen dialout?)",
                      u"ingen adgang til porten (er brugeren medlem af gruppen dialout?)",
                      u"ingen åtkomst till porten (är användaren med i gruppen dialout?)");
    case QSerialPort::OpenError:
        return phrase(u"porten er allerede åpen", u"porten er allerede åben",
                      u"porten är redan öppen");
    case QSerialPort::NotOpenError:
        return phrase(u"porten er ikke åpen", u"porten er ikke åben", u"porten är inte öppen");
    case QSerialPort::ResourceError:
        return phrase(u"porten forsvant (er modemet koblet fra?)",
                      u"porten forsvandt (er modemet koblet fra?)",
                      u"porten försvann (är modemet urkopplat?)");
    case QSerialPort::WriteError:
        return phrase(u"porten tok ikke imot det som ble skrevet",
                      u"porten tog ikke imod det, der blev skrevet",
                      u"porten tog inte emot det som skrevs");
    case QSerialPort::ReadError:
        return phrase(u"porten kunne ikke leses", u"porten kunne ikke læses",
                      u"porten kunde inte läsas");
    case QSerialPort::UnsupportedOperationError:
        return phrase(u"porten kan ikke stilles inn på 9600 baud, 8 databiter og ingen paritet",
                      u"porten kan ikke indstilles til 9600 baud, 8 databit og ingen paritet",
                      u"porten kan inte ställas in på 9600 baud, 8 databitar och ingen paritet");
    case QSerialPort::TimeoutError:
        return phrase(u"porten svarte ikke i tide", u"porten svarede ikke i tide",
                      u"porten svarade inte i tid");
    default:
        return phrase(u"ukjent feil på porten", u"ukendt fejl på porten", u"okänt fel på porten");
    }
}

QString serialOpenFailureText(const QString &device, const QString &reason, const QString &detail)
{
    return withDetail(phrase(u"Modemporten %1 ble ikke åpnet: %2.",
                             u"Modemporten %1 blev ikke åbnet: %2.",
                             u"Modemporten %1 öppnades inte: %2.")
                          .arg(device, reason),
                      detail);
}

QString serialWriteFailureText(const QString &device, const QString &reason, const QString &detail)
{
    return withDetail(phrase(u"Ingenting ble sendt til modemporten %1: %2.",
                             u"Intet blev sendt til modemporten %1: %2.",
                             u"Ingenting skickades till modemporten %1: %2.")
                          .arg(device, reason),
                      detail);
}

QString socketFailureReason(QAbstractSocket::SocketError kind, const QString &detail)
{
    switch (kind) {
    case QAbstractSocket::ConnectionRefusedError:
        return phrase(u"tilkoblingen ble avvist", u"forbindelsen blev afvist",
                      u"anslutningen avvisades");
    case QAbstractSocket::SocketTimeoutError:
        return phrase(u"ingen svar", u"intet svar", u"inget svar");
    case QAbstractSocket::HostNotFoundError:
        return phrase(u"vertsnavnet finnes ikke", u"værtsnavnet findes ikke",
                      u"värdnamnet finns inte");
    case QAbstractSocket::RemoteHostClosedError:
        return phrase(u"modemet lukket forbindelsen", u"modemet lukkede forbindelsen",
                      u"modemet stängde anslutningen");
    case QAbstractSocket::NetworkError:
        return phrase(u"nettverket er brutt", u"netværket er afbrudt", u"nätverket är avbrutet");
    case QAbstractSocket::SocketAccessError:
        return phrase(u"programmet har ikke lov til å bruke nettverket",
                      u"programmet har ikke lov til at bruge netværket",
                      u"programmet får inte använda nätverket");
    case QAbstractSocket::SocketResourceError:
        return phrase(u"maskinen har ikke flere nettverksressurser",
                      u"maskinen har ikke flere netværksressourcer",
                      u"datorn har inga fler nätverksresurser");
    default:
        return withDetail(phrase(u"nettverksfeil", u"netværksfejl", u"nätverksfel"), detail);
    }
}

} // namespace portiva
