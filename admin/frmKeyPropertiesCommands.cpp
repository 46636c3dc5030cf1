// The send buttons: each turns the setting shown into one command for the unit, saves the row,
// asks, and queues the command to the unit's own number.

#include "admin/frmKeyProperties.h"

#include "admin/CommandLanguage.h"
#include "admin/KeyCommands.h"
#include "admin/KeyPropTexts.h"
#include "modem/SendQueue.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace portiva
{

QString frmKeyProperties::lockModeCommand()
{
    const int position = ListIndex(Combo1[5]);
    if (!lockModeIsTimed(position))
        return LockModeCommand(position);
    return askOpeningTime(dialogs(), keyModel(), position, OpeningTimePrompt, OpeningTimeTitle);
}

QString frmKeyProperties::buildCommand(int index, QList<std::pair<QString, QString>> &fields)
{
    auto text = [this](int box) { return KeyTXT[box]->text(); };
    switch (index) {
    case 1:
        return text(14) == QLatin1String("0") ? AdminRegisterCommand() : AdminResetCommand();
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
        return AssistantAdminCommand(index - 3, text(index));
    case 9:
        return OwnNumberCommand(text(9), text(0));
    case 10:
        return KeyNameCommand(text(10));
    case 11:
        return AlarmFunctionCommand(ListIndex(Combo1[4]));
    case 12:
        return lockModeCommand();
    case 13:
        return PulseLengthCommand(text(13));
    case 14:
        return FetchUsersCommand();
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
        return KeyTextCommand(index - 14, text(index));
    case 21: {
        // Each hour goes into the command as two digits; anything else would make a command
        // the unit cannot read, and the row would keep hours it never got.
        QString hours[4];
        for (int i = 0; i < 4; ++i) {
            const QString typed = Combo1[i]->currentText();
            const std::optional<QString> hour = hourText(typed);
            if (!hour)
                throw Error(badHourText(typed) + QLatin1Char(' ') + keyprop::nothingSavedText());
            hours[i] = *hour;
        }
        fields = {{QStringLiteral("TimeInStart"), hours[0]},
                  {QStringLiteral("TimeInStop"), hours[1]},
                  {QStringLiteral("TimeOutStart"), hours[2]},
                  {QStringLiteral("TimeOutStop"), hours[3]}};
        return InOutTimesCommand(hours[0], hours[1], hours[2], hours[3]);
    }
    default:
        return QString();
    }
}

void frmKeyProperties::Command1_Click(int Index)
{
    QPushButton *button = Command1.value(Index);
    if (!button)
        return;
    // With no entry chosen there is nothing to send, and nothing is touched.
    if ((Index == 11 && ListIndex(Combo1[4]) < 0) || (Index == 12 && ListIndex(Combo1[5]) < 0))
        return;
    BusyScope busy(m_busy);
    QList<std::pair<QString, QString>> fields;
    QString command;
    // A command that cannot be made is said so at once: nothing is saved, asked or queued.
    if (!guarded([&] {
            command = buildCommand(Index, fields);
            checkedUnitNumber();
            if (const QString refusal = SendQueue::unsendableRefusal(command); !refusal.isEmpty())
                throw Error(refusal);
        }))
        return;
    Timer1->start();
    QString question = NewSettingText + button->text();
    if (Index == 12)
        question += QStringLiteral(" :") + command;
    question += SentToKeyText;
    Dialogs::Answer answer = Dialogs::Answer::Cancel;
    skipOnError([&] { answer = dialogs().msgBox(question, Dialogs::Buttons::OkCancel); });
    // The setting and its command are written together or not at all, after the question:
    // no lock is held while it waits. Cancel withholds the command, never the setting.
    const bool send = answer == Dialogs::Answer::Ok && !command.isEmpty();
    // A setting that could not be saved is not sent either: the unit and the register would
    // disagree. The button stays, so the operator can try again.
    if (saveAndQueue(fields, send ? command : QString()))
        button->hide();
}

bool frmKeyProperties::saveAndQueue(const QList<std::pair<QString, QString>> &fields,
                                    const QString &command)
{
    const QString notDone =
        command.isEmpty()
            ? phrase(u"Innstillingen ble ikke lagret.", u"Indstillingen blev ikke gemt.",
                     u"Inställningen sparades inte.")
            : phrase(u"Innstillingen ble ikke lagret, og kommandoen ble ikke lagt i køen til "
                     u"enheten.",
                     u"Indstillingen blev ikke gemt, og kommandoen blev ikke lagt i køen til "
                     u"enheden.",
                     u"Inställningen sparades inte, och kommandot lades inte i kön till enheten.");
    return guardedWith([&notDone](const QString &why) { return notDoneText(notDone, why); },
                       [&] {
                           Connection::Transaction transaction(m_state.SharedConnection);
                           try {
                               saveRow(fields);
                               if (!command.isEmpty())
                                   queueCommand(command);
                               transaction.commit();
                           } catch (...) {
                               // Rolled back: the row as read again, so the boxes still count as
                               // edited.
                               skipOnError([this] { adoKeyOppsettRS->Requery(); });
                               throw;
                           }
                       });
}

void frmKeyProperties::QueueKeyCommand(const QString &text)
{
    guarded([this, &text] { queueCommand(text); });
}

void frmKeyProperties::queueCommand(const QString &text)
{
    const QString recipient = KeyTXT[0]->text();
    if (vb::Trim(recipient).isEmpty())
        throw Error(keyprop::noUnitNumberText());
    if (!adoSMSUNSentRS)
        throw Error(closedConnectionText());
    // The view was read at the load: rows sent since then must not be refreshed.
    adoSMSUNSentRS->Requery();
    SendQueue::QueueSMS(*adoSMSUNSentRS, text, recipient, KeyTXT[1]->text(), QString(),
                        QDate::currentDate());
}

} // namespace portiva
