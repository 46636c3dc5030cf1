#pragma once

#include <QByteArray>
#include <QString>

namespace portiva
{

class ModemLink;
class LineReader;

// The answers of a command sequence, each taken for the command it belongs to. A modem answers
// its commands in order, each with one final result; a final result read while an earlier
// command still owes its own is that earlier command's answer, however late it comes, and so
// are the information lines before it. Such lines, echoes and notices are passed over (the
// terminal view shows them as it shows every line read).
class CommandAnswers
{
public:
    CommandAnswers(ModemLink &link, LineReader &reader);

    // Forgets what earlier commands owe (a new dialogue starts).
    void reset();
    // Writes the command and CR; it owes its final result from now on.
    void send(const QByteArray &command);
    // The next line of the last command's answer, an information line or its final result;
    // "" when nothing of it came within one line time, or when its final result was read.
    QString nextLine();
    // Reads up to the last command's final result, giving up as WaitForOK does (the fourth
    // empty read, or 101 lines); true when the result is OK.
    bool waitForOk();
    // Reads up to the first information line of the last command's answer, or its final
    // result, or one empty read.
    void readInformation();
    // The first information line of the last command's answer read so far ("" when none).
    QString information() const { return m_information; }
    bool finalSeen() const { return m_owed == 0 && m_answered; }

private:
    enum class Kind { Empty, Stray, Information, Final };
    Kind read(QString &line);

    ModemLink &m_link;
    LineReader &m_reader;
    int m_owed = 0;
    bool m_answered = false;
    bool m_ok = false;
    QString m_command;
    QString m_information;
};

// Whether a line is a final result code (verbose or numeric OK and ERROR, the message-service
// and equipment errors).
bool isFinalResult(const QString &line);

} // namespace portiva
