#include "modem/CommandAnswers.h"

#include "modem/LineReader.h"
#include "modem/ModemLink.h"

namespace portiva
{

namespace
{

bool startsWithAny(const QString &line, std::initializer_list<const char *> prefixes)
{
    for (const char *p : prefixes) {
        if (line.startsWith(QLatin1String(p), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Lines the modem writes on its own, between or inside answers.
bool isUnsolicited(const QString &line)
{
    return startsWithAny(line, {"+CMTI", "+CDSI", "+CDS:", "+CLIP", "+CRING", "RING", "^"});
}

bool isOkResult(const QString &line)
{
    const QString t = line.trimmed();
    return t.compare(QLatin1String("OK"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0");
}

constexpr int MaxLines = 101;

} // namespace

bool isFinalResult(const QString &line)
{
    const QString t = line.trimmed();
    for (const char *word : {"OK", "ERROR", "0", "4", "COMMAND NOT SUPPORT"}) {
        if (t.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return true;
    }
    return startsWithAny(t, {"+CMS ERROR", "+CME ERROR"});
}

CommandAnswers::CommandAnswers(ModemLink &link, LineReader &reader) : m_link(link), m_reader(reader)
{
}

void CommandAnswers::reset()
{
    m_owed = 0;
    m_answered = false;
    m_ok = false;
    m_command.clear();
    m_information.clear();
}

void CommandAnswers::send(const QByteArray &command)
{
    // A command dropped before the socket connected is owed nothing.
    if (m_link.SendData(command + '\r'))
        ++m_owed;
    m_answered = false;
    m_ok = false;
    m_command = QString::fromLatin1(command);
    m_information.clear();
}

CommandAnswers::Kind CommandAnswers::read(QString &line)
{
    line = m_reader.ReadModemLine();
    if (line.isEmpty())
        return Kind::Empty;
    if (isFinalResult(line)) {
        if (m_owed != 1) {
            if (m_owed > 1)
                --m_owed; // an earlier command's, late
            return Kind::Stray;
        }
        m_owed = 0;
        m_answered = true;
        m_ok = isOkResult(line);
        return Kind::Final;
    }
    if (m_owed != 1 || isUnsolicited(line) || line.compare(m_command, Qt::CaseInsensitive) == 0)
        return Kind::Stray;
    if (m_information.isEmpty())
        m_information = line;
    return Kind::Information;
}

QString CommandAnswers::nextLine()
{
    if (finalSeen())
        return {};
    QString line;
    for (int n = 0; n < MaxLines; ++n) {
        const Kind kind = read(line);
        if (kind != Kind::Stray)
            return line;
    }
    return {};
}

bool CommandAnswers::waitForOk()
{
    if (finalSeen())
        return m_ok;
    QString line;
    for (int n = 1;; ++n) {
        const Kind kind = read(line);
        if (kind == Kind::Final)
            return m_ok;
        if (n >= MaxLines || (kind == Kind::Empty && n >= 4))
            return false;
    }
}

void CommandAnswers::readInformation()
{
    if (finalSeen() || !m_information.isEmpty())
        return;
    QString line;
    for (int n = 0; n < MaxLines; ++n) {
        if (read(line) != Kind::Stray)
            return;
    }
}

} // namespace portiva
