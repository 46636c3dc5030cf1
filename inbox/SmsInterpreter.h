#pragma once

#include <QString>
#include <functional>

namespace portiva
{

struct AppState;
struct CallState;
struct ListingEntry;
class InboxRepo;

// The interpretation blocks of one listing entry. No modem, timers or widgets: each block
// works on the working text, the call's values and the database only.
class SmsInterpreter
{
public:
    SmsInterpreter(AppState &state, InboxRepo &repo);

    // Block 1, a received message: publishes the sender, asks the record windows to reload,
    // reads the raw body into working (through readBody) and stores the SMS_Received row.
    // A failed insert clears call.deletable, so the message stays in the modem.
    void intake(const ListingEntry &entry, QString &working, CallState &call,
                const std::function<QString()> &readBody);

    // Block 8, a status report: completes the newest SMS_Sent row waiting with its reference
    // (and recipient, where the report names one). A report that could not be written clears
    // call.deletable; one that matches nothing, or has no numeric status, writes nothing.
    void deliveryReport(const ListingEntry &entry, CallState &call);

    // The stored form of a raw GSM body: one LF at the start dropped, every other LF a line
    // break (CR LF), the rest through the GSM table.
    static QString storedText(const QString &rawBody);

private:
    void findNames(const QString &sender, QString &surname, QString &firstName);

    AppState &m_state;
    InboxRepo &m_repo;
};

} // namespace portiva
