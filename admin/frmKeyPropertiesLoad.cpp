// The properties window's load, its reload on new data, the boxes and lists of the unit shown,
// and stepping between the units the operator may see.

#include "admin/frmKeyProperties.h"

#include "admin/CommandLanguage.h"
#include "admin/KeyPropTexts.h"
#include "modem/DatabaseWatch.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

namespace portiva
{

namespace
{

QString column(int box)
{
    return QString::fromLatin1(keyprop::BoxColumns[size_t(box)]);
}

} // namespace

void frmKeyProperties::Form_Load()
{
    guardedWith([](const QString &d) { return guardedText(d, keyprop::loadFailureWord()); },
                [this] { load(); });
}

void frmKeyProperties::load()
{
    BusyScope busy(m_busy);
    // Every load picks up the database path as it stands now, and the rest of the program
    // follows onto this connection.
    m_state.ConnectionString = buildConnectionString(m_state.DBPath, databasePassword());
    m_state.SharedConnection = Connection::open(m_state.ConnectionString);
    adoSMSUNSentRS = Recordset::open(
        m_state.SharedConnection,
        QStringLiteral("SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato,datolng, "
                       "SMS_Text, CMGS, TimeSent, TimeReceived, ReceivedStatus FROM SMS_Sent "
                       "where CMGS = ?"),
        {QStringLiteral("UNSENT")});
    setDefaultTexts();
    ApplyLanguage();
    openKeySetup();
    fillLists();
    showRowInLists();
    hideSendButtons();
    captionAdminButton();
    checkOwnNumber();
    m_state.ReloadRequested = false;
    resetModelControls();
    KeyTXT[21]->setText(QStringLiteral("Ring: ") + KeyTXT[9]->text());
}

void frmKeyProperties::OpenKeySetup()
{
    guarded([this] { openKeySetup(); });
}

void frmKeyProperties::openKeySetup()
{
    // The level is compared as text followed by a blank, as the units' levels are stored.
    adoKeyOppsettRS = Recordset::open(
        m_state.SharedConnection,
        QStringLiteral("select KeyNummer, KeyNavn, KeySikkerhet, Bygning,Admin, Admin1, Admin2, "
                       "Admin3, Admin4,Admin5, Eget_Nummer,Beskrivelse,Alarmstatus,KeyStatus,"
                       "Pulslengde,TimeInStart,TimeInStop,TimeOutStart,TimeOutStop,Tekst1, "
                       "Tekst2, Tekst3, Tekst4, Tekst5, Tekst6 from KEYTable where KeySikkerhet "
                       "<= ?"),
        {m_state.CurrentSecurityLevel + QLatin1Char(' ')});
    if (!(adoKeyOppsettRS->BOF() && adoKeyOppsettRS->EOF()))
        adoKeyOppsettRS->MoveFirst();
    adoKeyOppsettRS->find(QStringLiteral("KeyNummer"), m_state.SelectedKeyNummer);
    bindBoxes();
}

void frmKeyProperties::bindBoxes()
{
    // Read every value first, so that a unit that cannot be shown leaves the boxes as they were.
    QStringList values;
    for (int box = 0; box < keyprop::BoundBoxCount; ++box)
        values << adoKeyOppsettRS->toTextOr(column(box), QString());
    for (int box = 0; box < keyprop::BoundBoxCount; ++box) {
        // Boxes compare themselves with the row while they change: all of them change first.
        const QSignalBlocker blocker(KeyTXT[box]);
        // A stored text longer than the box allows is shown whole, never cut and saved cut.
        const int limit = keyprop::boxMaxLength(box);
        KeyTXT[box]->setMaxLength(limit ? std::max(limit, int(values[box].size())) : 32767);
        KeyTXT[box]->setText(values[box]);
    }
}

void frmKeyProperties::fillLists()
{
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker blocker(Combo1[i]);
        Combo1[i]->clear();
        for (int hour = 0; hour <= 24; ++hour)
            Combo1[i]->addItem(QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
    }
    const QSignalBlocker alarm(Combo1[4]);
    Combo1[4]->clear();
    Combo1[4]->addItems(AlarmFunction);
    const QSignalBlocker lock(Combo1[5]);
    Combo1[5]->clear();
    Combo1[5]->addItems(LockMode);
}

void frmKeyProperties::showRowInLists()
{
    const char *columns[] = {"TimeInStart", "TimeInStop",  "TimeOutStart",
                             "TimeOutStop", "Alarmstatus", "KeyStatus"};
    QStringList values;
    for (const char *name : columns)
        values << adoKeyOppsettRS->toTextOr(QString::fromLatin1(name), QString());
    // The stored texts, not a choice: nothing is asked and no button appears.
    for (int i = 0; i < 6; ++i) {
        const QSignalBlocker blocker(Combo1[i]);
        Combo1[i]->setCurrentIndex(-1);
        Combo1[i]->setEditText(values[i]);
    }
}

void frmKeyProperties::hideSendButtons()
{
    for (int i = 4; i <= 21; ++i) {
        if (i != 14)
            Command1[i]->hide();
    }
}

void frmKeyProperties::captionAdminButton()
{
    Command1[1]->setText(KeyTXT[14]->text() == QLatin1String("0")
                             ? QStringLiteral("Registrer ADMIN")
                             : QStringLiteral("Reset ADMIN"));
}

void frmKeyProperties::checkOwnNumber()
{
    // An Admin text that is no number counts as no admin: the check is only a reminder.
    const QString admin = KeyTXT[14]->text();
    if (!vb::IsNumeric(admin) || vb::CDbl(admin) <= 0)
        return;
    const QString own = KeyTXT[9]->text();
    const QString expected = vb::Mid(m_state.SelectedKeyNummer, 4, 9);
    if (own == QLatin1String("6") || own == QLatin1String("99999999")) {
        if (dialogs().msgBox(OwnNumberMissingText, Dialogs::Buttons::OkCancel) ==
            Dialogs::Answer::Ok) {
            // The box first, so that its change shows the send button.
            KeyTXT[9]->setText(expected);
            saveRow();
        }
    } else if (own != expected) {
        dialogs().msgBox(OwnNumberCheckText);
    }
}

void frmKeyProperties::resetModelControls()
{
    m_keyTypeGroup->setExclusive(false);
    for (QRadioButton *option : KeyType)
        option->setChecked(false);
    m_keyTypeGroup->setExclusive(true);
    for (QComboBox *box : Combo1)
        box->hide();
    for (int i : {11, 14, 21})
        Command1[i]->hide();
    for (int i = 13; i <= 17; ++i)
        Label1[i]->hide();
    Command1[13]->show();
}

void frmKeyProperties::setModelControlsVisible(bool visible)
{
    for (QComboBox *box : Combo1)
        box->setVisible(visible);
    for (int i : {11, 12, 14, 21})
        Command1[i]->setVisible(visible);
    for (int i = 13; i <= 17; ++i)
        Label1[i]->setVisible(visible);
}

void frmKeyProperties::KeyType_Click(int Index)
{
    if (Index == 0 || Index == 1)
        setModelControlsVisible(true);
    else if (Index == 2)
        setModelControlsVisible(false);
}

bool frmKeyProperties::boxEdited(int index) const
{
    if (!adoKeyOppsettRS || adoKeyOppsettRS->BOF() || adoKeyOppsettRS->EOF())
        return false;
    try {
        return KeyTXT[index]->text() != adoKeyOppsettRS->toTextOr(column(index), QString());
    } catch (const std::exception &) {
        return false;
    }
}

void frmKeyProperties::KeyTXT_Change(int /*Index*/)
{
    for (int i = 4; i <= 20; ++i) {
        if (Command1[i] && boxEdited(i))
            Command1[i]->show();
    }
    captionAdminButton();
}

void frmKeyProperties::KeyTXT_GotFocus(int /*Index*/)
{
    // No reload under the operator's typing; the next send starts the timer again.
    Timer1->stop();
}

void frmKeyProperties::Timer1_Timer()
{
    // A box of this window is open: its handler still uses the recordsets.
    if (!m_state.ReloadRequested || m_busy > 0)
        return;
    try {
        Connection::BusyBudget budget(DatabaseWatch::tickBudgetMs);
        load();
    } catch (const std::exception &e) {
        // Another workstation's lock passes: the window stays as it is, the next tick reloads.
        if (isLockFailure(e))
            return;
        dialogs().msgBox(guardedText(errorDescription(e), keyprop::loadFailureWord()));
    }
    m_state.ReloadRequested = false;
}

QString frmKeyProperties::checkedUnitNumber() const
{
    const QString number = vb::Trim(KeyTXT[0]->text());
    if (number.isEmpty())
        throw Error(keyprop::noUnitNumberText());
    if (boxEdited(0) && !isInternationalNumber(number))
        throw Error(keyprop::badUnitNumberText(number) + QLatin1Char(' ') +
                    keyprop::nothingSavedText());
    return number;
}

void frmKeyProperties::saveRow(const QList<std::pair<QString, QString>> &fields)
{
    const QString number = checkedUnitNumber();
    Recordset &rs = *adoKeyOppsettRS;
    try {
        for (int box = 0; box < keyprop::BoundBoxCount; ++box) {
            if (boxEdited(box))
                rs.setValue(column(box), box == 0 ? number : KeyTXT[box]->text());
        }
        for (const auto &[name, value] : fields)
            rs.setValue(name, value);
        rs.Update();
    } catch (...) {
        // The boxes keep the edits; a later save tries them again.
        skipOnError([&rs] { rs.CancelUpdate(); });
        throw;
    }
}

void frmKeyProperties::Combo1_Click(int Index)
{
    if (Index >= 0 && Index <= 3) {
        Command1[21]->show();
        return;
    }
    if (Index != 4 && Index != 5)
        return;
    BusyScope busy(m_busy);
    const bool alarm = Index == 4;
    const QString field = alarm ? QStringLiteral("Alarmstatus") : QStringLiteral("KeyStatus");
    QLineEdit *box = KeyTXT[alarm ? 11 : 12];
    QComboBox *list = Combo1[Index];
    guarded([&] {
        const auto answer = dialogs().msgBox(alarm ? AlarmChangeQuestion : LockChangeQuestion,
                                             Dialogs::Buttons::OkCancel);
        if (answer == Dialogs::Answer::Ok) {
            saveRow({{field, list->currentText()}});
            const QSignalBlocker blocker(box);
            box->setText(list->currentText());
            Command1[alarm ? 11 : 12]->show();
            return;
        }
        // The cancelled entry must not stay chosen: the send button would send it.
        const QString stored = adoKeyOppsettRS->toTextOr(field, QString());
        const QSignalBlocker blocker(list);
        list->setCurrentIndex(list->findText(stored, Qt::MatchExactly));
        list->setEditText(stored);
    });
}

void frmKeyProperties::UpDown1_DownClick()
{
    guarded(QStringLiteral("Prev"), [this] { step(false); });
}

void frmKeyProperties::UpDown1_UpClick()
{
    guarded(QStringLiteral("Next"), [this] { step(true); });
}

void frmKeyProperties::step(bool forward)
{
    Recordset &rs = *adoKeyOppsettRS;
    const bool hasRows = rs.RecordCount() > 0;
    if (forward) {
        if (!rs.EOF())
            rs.MoveNext();
        if (rs.EOF() && hasRows) {
            dialogs().beep();
            rs.MoveLast();
        }
    } else {
        if (!rs.BOF())
            rs.MovePrevious();
        if (rs.BOF() && hasRows) {
            dialogs().beep();
            rs.MoveFirst();
        }
    }
    if (rs.BOF() || rs.EOF())
        return;
    // The boxes, lists and "Ring: " line belong to the unit now shown, so that nothing of the
    // previous unit is saved into this one or sent to it.
    bindBoxes();
    captionAdminButton();
    fillLists();
    showRowInLists();
    KeyTXT[21]->setText(QStringLiteral("Ring: ") + KeyTXT[9]->text());
    const QString number = rs.toTextOr(QStringLiteral("KeyNummer"), QString());
    if (!number.isEmpty())
        m_state.SelectedKeyNummer = number;
}

} // namespace portiva
