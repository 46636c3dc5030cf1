#pragma once

#include <QString>

namespace portiva
{

// The main window's message texts. The subsystems that run inside the main window read them
// (tab captions, prompts, questions, warnings); the language table replaces them by row.
struct MainTexts {
    QString NewUsersTabText;
    QString AllUsersTabText;
    QString NewUserKontoText;
    QString AccountLabelText; // the account caption that validity mode puts back
    QString FreeSmsTitleText;
    QString FreeSmsPromptText;
    QString PortPromptText;
    QString CompactWarningText;
    QString CompactDoneText;
    QString CompactFailedText;
    QString ModemNotFoundText;
    QString UserRegisteredQuestion;
    QString UserQueuedQuestion;
    QString PhoneLengthWarningText;
    QString PhoneTooShortText;
    QString WaitForSendingText;

    MainTexts() { setDefaults(); }

    // The built-in Norwegian texts; blanks at either end belong to them.
    void setDefaults()
    {
        NewUsersTabText = QStringLiteral("Nye");
        AllUsersTabText = QStringLiteral("Alle");
        NewUserKontoText = QStringLiteral("Gjest");
        AccountLabelText = QStringLiteral("Konto");
        FreeSmsTitleText = QStringLiteral("Send SMS til :");
        FreeSmsPromptText = QStringLiteral("Skriv meldingstekst");
        PortPromptText = QStringLiteral("Velg Com Port");
        CompactWarningText =
            QStringLiteral("For å kunne komprimere databasen må du ha alenetilgang. Alle andre "
                           "brukere av PORTIVA må lukke sine programmer !!!");
        CompactDoneText = QStringLiteral("Databasen er komprimert!!");
        CompactFailedText =
            QStringLiteral("Feil med komprimering. Sjekk at du har alenetilgang til databasen");
        ModemNotFoundText = QStringLiteral("Modem IKKE funnet. Prøv en annen COM port!!");
        UserRegisteredQuestion = QStringLiteral("Bruker er allerede registrert!! Vil du "
                                                "registrere en ny periode på samme bruker?");
        UserQueuedQuestion = QStringLiteral("Bruker ligger allerede til registring!! Vil du "
                                            "registrere en ny periode på samme bruker?");
        PhoneLengthWarningText =
            QStringLiteral(" SJEKK TELEFON NUMMER FOR RIKTIG ANTALL SIFFER !!!! ");
        PhoneTooShortText = QStringLiteral(" Brukere må ha minst 11 siffer i telefonnummeret !!!");
        WaitForSendingText = QStringLiteral("Vent til SMS sending er ferdig");
    }
};

} // namespace portiva
