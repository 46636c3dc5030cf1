#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace portiva::modemsim
{

// The master side of a raw pseudo-terminal. The simulator keeps the slave open itself, so a
// client closing and reopening the device never makes the master read end-of-file.
class PtyLink : public QObject
{
    Q_OBJECT
public:
    explicit PtyLink(QObject *parent = nullptr);
    ~PtyLink() override;

    bool open(QString *error);
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    void write(const QByteArray &bytes);
    qint64 pending() const { return m_outgoing.size(); } // not yet taken by the terminal

signals:
    void received(const QByteArray &bytes);

private:
    void onReadable();
    void onWritable();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_outgoing;
};

} // namespace portiva::modemsim
