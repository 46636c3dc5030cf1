#include "modem/TerminalLog.h"

namespace portiva
{

void TerminalLog::clear()
{
    m_text.clear();
    emit changed();
}

void TerminalLog::echoSent(const QByteArray &bytes)
{
    QByteArray b = bytes;
    if (b.endsWith('\r'))
        b.chop(1);
    append(QStringLiteral("==>") + QString::fromLatin1(b) + QStringLiteral("\r\n"));
}

void TerminalLog::echoReceived(const QString &text)
{
    append(text);
}

void TerminalLog::append(const QString &text)
{
    // A long listing read line by line would otherwise grow the view without bound.
    m_text += text;
    if (m_text.size() > Keep)
        m_text = m_text.right(Keep);
    emit changed();
}

QString TerminalLog::displayText(const QString &raw)
{
    QString out;
    out.reserve(raw.size() + 16);
    for (int i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < raw.size() && raw.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u'\n';
        } else if (c.unicode() < 32) {
            out += u'^';
            out += QChar(char16_t(c.unicode() + 64));
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace portiva
