#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace portiva::modemsim
{

struct KeyUnitUser {
    QString number; // national form, as the unit keeps it
    bool hasBalance = false;
    QString from; // YYMMDDHH
    QString to;   // YYMMDDHH
    QString balance;
};

struct KeyUnitLogEntry {
    QString user;
    QString when; // "d/m,h:mm"
};

// A simulated key unit: it takes one command per SMS and answers as a real unit does, in its
// language (nb, da or sv), with LF between lines; listings longer than one SMS come as several.
class KeyUnit
{
public:
    QString number;
    QString name;
    QString language = QStringLiteral("nb");
    int countryCode = 47;
    int delayMs = 2000;
    int deliveryStatus = 0; // anything but 0: commands never reach the unit
    bool silent = false;
    QString admin;
    QString assistants[5];
    QString ownNumber;
    QList<KeyUnitUser> users;
    QList<KeyUnitLogEntry> log;
    QStringList received; // every command that reached the unit

    static bool validLanguage(const QString &lang);
    // Replies (Unicode text, one string per SMS) to a command sent from `sender`;
    // `modemNational` is the modem's own national number for the assistant welcome.
    QStringList handle(const QString &command, const QString &sender, const QString &modemNational);
    QStringList adminListing() const;
    QString national(const QString &number) const;
    QString international(const QString &number) const;
    KeyUnitUser *user(const QString &number);

private:
    QStringList registration(const QString &args);
    QStringList removal(const QString &args);
    QStringList logListing(int count) const;
    QStringList userListing() const;
    QStringList split(const QString &header, const QStringList &entries) const;
    int assistantOf(const QString &number) const;
    QString phrase(const char *key) const;
    static QString formatPeriod(const QString &yymmddhh);
};

} // namespace portiva::modemsim
