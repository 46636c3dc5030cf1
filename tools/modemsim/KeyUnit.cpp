#include "tools/modemsim/KeyUnit.h"

#include <QRegularExpression>

namespace portiva::modemsim
{

namespace
{

struct Phrase {
    const char *key;
    const char *nb;
    const char *da;
    const char *sv;
};

// Swedish texts carry their letters as Unicode; the GSM encoder turns them into 0x7B, 0x0F, 0x7C.
const Phrase kPhrases[] = {
    {"added", "er lagt til", "er lagt til", "\u00e4r upplagt i %1"},
    {"exists", "finnes allerede", "findes allerede", "finns redan"},
    {"from", "FRA :", "FRA :", "Fr\u00e5n:"},
    {"to", "TIL :", "TIL :", "Till:"},
    {"removed", "er slettet", "er slettet", "\u00e4r borttagen"},
    {"absent", "finnes ikke", "findes ikke", "finns inte"},
    {"released", "Neste som sender SMS blir ADMIN", "Den n\u00e6ste som sender en SMS bliver ADMIN",
     "N\u00e4sta som s\u00e4nder SMS blir ADMIN"},
    {"admin", "Forvaltermann", "Forvaltermann", "Forvalterma\u00f6n"},
};

const int kSmsLength = 160;

} // namespace

bool KeyUnit::validLanguage(const QString &lang)
{
    return lang == QLatin1String("nb") || lang == QLatin1String("da") ||
           lang == QLatin1String("sv");
}

QString KeyUnit::phrase(const char *key) const
{
    for (const Phrase &p : kPhrases) {
        if (qstrcmp(p.key, key) == 0) {
            const char *text = language == QLatin1String("da")   ? p.da
                               : language == QLatin1String("sv") ? p.sv
                                                                 : p.nb;
            QString s = QString::fromUtf8(text);
            return s.contains(QLatin1String("%1")) ? s.arg(name) : s;
        }
    }
    return {};
}

QString KeyUnit::national(const QString &n) const
{
    const QString t = n.trimmed();
    if (!t.startsWith(QLatin1Char('+')))
        return t;
    const QString cc = QString::number(countryCode);
    return t.mid(1).startsWith(cc) ? t.mid(1 + cc.size()) : t.mid(3);
}

QString KeyUnit::international(const QString &n) const
{
    if (n.isEmpty() || n.startsWith(QLatin1Char('+')))
        return n;
    return QLatin1Char('+') + QString::number(countryCode) + n;
}

KeyUnitUser *KeyUnit::user(const QString &n)
{
    const QString key = national(n);
    for (KeyUnitUser &u : users) {
        if (u.number == key)
            return &u;
    }
    return nullptr;
}

int KeyUnit::assistantOf(const QString &n) const
{
    const QString key = national(n);
    for (int i = 0; i < 5; ++i) {
        if (!assistants[i].isEmpty() && national(assistants[i]) == key)
            return i + 1;
    }
    return 0;
}

QString KeyUnit::formatPeriod(const QString &t)
{
    // YYMMDDHH -> d/m-20YY h:00, without zeros in front of day, month and hour.
    const int yy = t.mid(0, 2).toInt();
    const int mm = t.mid(2, 2).toInt();
    const int dd = t.mid(4, 2).toInt();
    const int hh = t.mid(6, 2).toInt();
    return QStringLiteral("%1/%2-%3 %4:00").arg(dd).arg(mm).arg(2000 + yy).arg(hh);
}

QStringList KeyUnit::handle(const QString &command, const QString &sender,
                            const QString &modemNational)
{
    received.append(command);
    const QString cmd = command.trimmed();
    static const QRegularExpression logRe(QStringLiteral("^[rR](5|10|25|50|100)$"));
    static const QRegularExpression assistantRe(QStringLiteral("^[aA]([1-6])\\s+(\\S+)$"));
    if (cmd.size() > 2 && (cmd[0] == QLatin1Char('I') || cmd[0] == QLatin1Char('i')) &&
        cmd[1] == QLatin1Char(' '))
        return registration(cmd.mid(2).trimmed());
    if (cmd.size() > 2 && (cmd[0] == QLatin1Char('U') || cmd[0] == QLatin1Char('u')) &&
        cmd[1] == QLatin1Char(' '))
        return removal(cmd.mid(2).trimmed());
    if (auto m = logRe.match(cmd); m.hasMatch())
        return logListing(m.captured(1).toInt());
    if (cmd == QLatin1String("K"))
        return userListing();
    if (cmd == QLatin1String("?")) {
        admin = international(sender);
        return {name + QStringLiteral("\nVelkommen ADMIN.")};
    }
    if (cmd.compare(QLatin1String("AR"), Qt::CaseInsensitive) == 0) {
        admin.clear();
        return {name + QLatin1Char('\n') + phrase("released")};
    }
    if (auto m = assistantRe.match(cmd); m.hasMatch()) {
        const int n = m.captured(1).toInt();
        const QString number = m.captured(2);
        if (n == 6) {
            ownNumber = international(number);
            return {};
        }
        assistants[n - 1] = number;
        if (!modemNational.isEmpty() && national(number) == national(modemNational))
            return {name + QStringLiteral("\nVelkommen som NY Assistent")};
        return {};
    }
    return {};
}

QStringList KeyUnit::registration(const QString &args)
{
    static const QRegularExpression periodRe(QStringLiteral("^(\\+?\\d+)>(\\d{8})<(\\d{8})$"));
    static const QRegularExpression balanceRe(QStringLiteral("^(\\+?\\d+)\\*(\\S*)$"));
    KeyUnitUser given;
    QString echoed;
    if (auto m = periodRe.match(args); m.hasMatch()) {
        echoed = m.captured(1);
        given.from = m.captured(2);
        given.to = m.captured(3);
    } else if (auto b = balanceRe.match(args); b.hasMatch()) {
        echoed = b.captured(1);
        given.hasBalance = true;
        given.balance = b.captured(2);
    } else {
        return {}; // a unit ignores what it does not take
    }
    given.number = national(echoed);
    const KeyUnitUser *held = user(echoed);
    const bool exists = held != nullptr;
    if (!exists) {
        users.append(given);
        held = &users.last();
    }
    QStringList lines{name, echoed + QLatin1Char(' ') + phrase(exists ? "exists" : "added")};
    if (const int a = assistantOf(echoed))
        lines.append(QStringLiteral("A-%1").arg(a));
    if (held->hasBalance) {
        lines.append(QStringLiteral("SALDO:") + held->balance);
    } else {
        lines.append(phrase("from") + formatPeriod(held->from));
        lines.append(phrase("to") + formatPeriod(held->to));
    }
    return {lines.join(QLatin1Char('\n'))};
}

QStringList KeyUnit::removal(const QString &args)
{
    const QString echoed = args.section(QLatin1Char(' '), 0, 0);
    const QString key = national(echoed);
    bool found = false;
    for (int i = 0; i < users.size(); ++i) {
        if (users[i].number == key) {
            users.removeAt(i);
            found = true;
            break;
        }
    }
    return {name + QLatin1Char('\n') + echoed + QLatin1Char(' ') +
            phrase(found ? "removed" : "absent")};
}

QStringList KeyUnit::split(const QString &header, const QStringList &entries) const
{
    QStringList out;
    QString current = header;
    bool hasEntry = false;
    for (const QString &e : entries) {
        const QString piece = QLatin1Char('\n') + e;
        if (hasEntry && current.size() + piece.size() > kSmsLength) {
            out.append(current);
            current = header;
            hasEntry = false;
        }
        current += piece;
        hasEntry = true;
    }
    out.append(current);
    return out;
}

QStringList KeyUnit::logListing(int count) const
{
    QStringList entries;
    const qsizetype first = qMax<qsizetype>(0, log.size() - count);
    for (qsizetype i = first; i < log.size(); ++i)
        entries.append(QLatin1Char('*') + log[i].user + QLatin1Char('\n') + log[i].when);
    return split(name + QStringLiteral(" logg"), entries);
}

QStringList KeyUnit::userListing() const
{
    QStringList entries;
    for (const KeyUnitUser &u : users) {
        const int a = assistantOf(u.number);
        entries.append(QLatin1Char('*') + u.number +
                       (a ? QStringLiteral("-%1").arg(a) : QString()));
    }
    return split(name + QStringLiteral(" brukere"), entries);
}

QStringList KeyUnit::adminListing() const
{
    QStringList lines{name, phrase("admin") + QLatin1Char(':') + international(admin),
                      QStringLiteral("Assistenter:")};
    for (int i = 0; i < 5; ++i)
        lines.append(QStringLiteral("A%1: %2").arg(i + 1).arg(international(assistants[i])));
    lines << QString() << QStringLiteral("Eget Nummer") << international(ownNumber);
    return {lines.join(QLatin1Char('\n'))};
}

} // namespace portiva::modemsim
