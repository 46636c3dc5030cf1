#pragma once

#include <QDate>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

namespace portiva
{

struct AppState;
struct MainTexts;
struct MainViews;
class Recordset;
class Connection;

// What the user entry panel holds at the moment of a click.
struct UserPanelValues {
    QString number; // as typed; every use takes it trimmed
    QString firstName;
    QString surname;
    QString status;
    QString konto;
    // The queued period being edited; none for a new one (the box then shows "9999").
    std::optional<qint64> heldId;
    QDate from;
    QDate to;
    QString fraTid = QStringLiteral("00");
    QString tilTid = QStringLiteral("24");
    QString saldo = QStringLiteral("0");
};

// The key unit in view.
struct SelectedKey {
    QString number;
    QString name;
};

// Stands on the first row from the top whose column matches; false (at EOF) when none.
bool findFromFirst(Recordset &rs, const QString &column, const QVariant &value);

// A unit number too short to be one: rights and commands need a recipient.
bool hasKeyUnit(const SelectedKey &key);

// Whether a balance text makes a validity-window right (reads as 0). Throws when it does not
// read as a number.
bool isPeriodBalance(const QString &saldo);

// The balance in the panel's own number form ("-0,5", "10", never an exponent).
QString balanceText(double value);

// The refusal of a typed user number that is not "+" followed by the digits of a whole
// international number; empty for one that is.
QString userNumberRefusal(const QString &number);
// The refusal's ending when the number was to get a free SMS.
QString noSmsText();

// The panel's values as a right or a queued period stores them, its hours in their two-digit
// form. Throws Error with the operator's message, before anything is written, when they cannot
// make one: no unit in view, a balance that is no number, an hour outside "00".."24", or a
// period that ends before it starts.
UserPanelValues admissibleRight(const UserPanelValues &panel, const SelectedKey &key);

// Registration, queued periods, removal and free SMS, on the main window's views. No widget:
// the panel hands its values in, and the dialogs go through the dialog service.
class UserAdmin
{
public:
    enum class Removal { QueuedPeriod, Withdrawn, Queued, NotFound };

    UserAdmin(AppState &state, MainViews &views, const MainTexts &texts,
              std::function<QDate()> today);

    // The length check of a typed number: false when nothing is to be stored.
    bool numberCheck(const QString &number);
    // Adds the catalogue entry of the number when it has none; never changes one.
    void addCatalogueEntry(const UserPanelValues &panel);

    // Writes the user's right at the unit and queues its registration command, all in one
    // transaction. False when the number check stopped it (its boxes said why). Throws with
    // nothing written when the panel's values are refused (the number's form, admissibleRight,
    // a command the modem cannot send, another person with the same national number at the
    // unit) or the database fails. A new period for a right the unit may hold waits as a
    // queued period behind the user's removal, which is queued with it.
    bool RegisterUser(const UserPanelValues &panel, const SelectedKey &key);
    // Adds or edits a queued period of the unit; sends nothing. As RegisterUser otherwise.
    bool QueueNewUser(const UserPanelValues &panel, const SelectedKey &key);
    // Removes the held queued period, or the user's right at the unit with its command: a
    // right the unit may hold (unitMayHold) is marked "Slett" and its removal queued, any other
    // is deleted; its queued registrations are withdrawn in the same transaction. reload
    // re-opens the main views; tidying up after the removal is skipped silently when it fails.
    Removal removeUser(const UserPanelValues &panel, const SelectedKey &key,
                       const std::function<void()> &reload);

    // A free text to the unit (re-addressing a queued row of the same text).
    void queueDoorSms(const QString &text, const SelectedKey &key);
    // A free text to the user's own phone.
    void queueUserSms(const QString &text, const UserPanelValues &panel);

    // The view, or the error that it is not open.
    Recordset &view(Recordset *rs, const char *name) const;
    // The unit's queued periods, read afresh into the views.
    Recordset &newUsersOf(const QString &keyNumber);

private:
    std::shared_ptr<Connection> connection() const;
    // Throws when another person's number with the same national digits has a right or a
    // queued period at the unit: the unit keeps numbers without their country code.
    void refuseTwin(const QString &user, const SelectedKey &key);
    void changeHeldPeriod(const UserPanelValues &panel, const QString &user, const SelectedKey &key,
                          const QVariantMap &stored, bool sendRemoval);
    void writeRight(Recordset &rs, const UserPanelValues &panel);
    void purgeWithdrawn();

    AppState &m_state;
    MainViews &m_views;
    const MainTexts &m_texts;
    std::function<QDate()> m_today;
};

} // namespace portiva
