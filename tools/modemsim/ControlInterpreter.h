#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace portiva::modemsim
{

class ModemSim;

// One line of the control language: words separated by blanks, strings in double quotes with C
// escapes (\n, \r, \t, \\, \", \xNN), options as key=value. Answers end with "OK" or "ERR
// <reason>".
class ControlInterpreter
{
public:
    explicit ControlInterpreter(ModemSim &sim) : m_sim(sim) {}

    QStringList execute(const QString &line);

    struct Words {
        QList<QByteArray> positional;
        QMap<QString, QByteArray> options;
        QStringList flags; // bare words after the positionals that are known flags, e.g. "silent"
    };
    // Splits a line; returns false with a reason on an unterminated string or a bad escape.
    static bool split(const QByteArray &line, QList<QByteArray> *words, QList<int> *keyEnds,
                      QString *error);

private:
    using Reply = QStringList;
    Reply dispatch(const QString &verb, Words &w);
    Reply messages(const QString &verb, Words &w);
    Reply faults(const QString &verb, Words &w);
    Reply lineShape(const QString &verb, Words &w);
    Reply storage(const QString &verb, Words &w);
    Reply unitCommand(Words &w);
    Reply queries(const QString &verb, Words &w);
    bool onOff(const QByteArray &word, bool *value);
    bool number(const QByteArray &word, int *value, int lo, int hi);
    bool checkOptions(const Words &w, const QStringList &allowed);
    bool need(const Words &w, int count);

    ModemSim &m_sim;
    QString m_error;
};

} // namespace portiva::modemsim
