#pragma once

#include "modem/ReceivedSmsHandler.h"

#include <QDate>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

namespace portiva
{

struct ModemContext;
struct CallState;

// Handles one entry of the modem's listing from its header to its deletion: takes the message
// in, applies what it reports, reloads the main window, drains the rest of the listing and
// deletes the entry, but only once what it carried is stored.
class ReceivedSmsReader : public QObject, public ReceivedSmsHandler
{
    Q_OBJECT
public:
    // What the reader needs of the main window; each may be left empty.
    struct Hooks {
        std::function<void()> OpenMainRecordsets; // default: the modem host's
        std::function<void()> ShowKeyUsers;
        std::function<QDate()> today; // default: the system date
        // default: the system's short date of that day
        std::function<QString(const QDate &)> shortDateText;
    };

    explicit ReceivedSmsReader(ModemContext &ctx, Hooks hooks = {}, QObject *parent = nullptr);

    // The dispatcher's call: the header is the line the line poll has just read.
    void Read_SMS_MessageTEXT() override;
    // The same for a given header line.
    void readEntry(const QString &header);

    static constexpr const char *ReadyText = "Klar for innkommende SMS";

private:
    CallState freshCall() const;
    void interpret(const QString &header, QString &working, CallState &call);
    void endStep(const QString &working, const CallState &call);
    bool deleteEntry(int index, bool &deleted);

    ModemContext &m_ctx;
    Hooks m_hooks;
    // Entries stored whose deletion has not been confirmed (their listing never ended).
    QSet<QString> m_storedOnModem;
};

} // namespace portiva
