#pragma once

#include <QObject>
#include <QString>

namespace portiva
{

// The text behind the terminal view: raw characters of the modem dialogue (CR-only line ends
// after "<", NUL, Ctrl-Z kept), cut to its last 600 characters after each write.
class TerminalLog : public QObject
{
    Q_OBJECT
public:
    static constexpr int Keep = 600;
    using QObject::QObject;
    const QString &text() const { return m_text; }
    void clear();
    // "==>" and the bytes written, less one trailing CR, then CR LF; cut to the last 600.
    void echoSent(const QByteArray &bytes);
    // Received text as the readers echo it ("<" line CR, "<**" prompt CR); cut the same way.
    void echoReceived(const QString &text);
    // The text as the view shows it: CR and CR LF as line breaks, control codes as ^X.
    static QString displayText(const QString &raw);

signals:
    void changed();

private:
    void append(const QString &text);

    QString m_text;
};

} // namespace portiva
