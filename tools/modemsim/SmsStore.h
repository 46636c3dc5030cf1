#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace portiva::modemsim
{

struct SmsEntry {
    enum Kind { Received, Stored, StatusReport };
    Kind kind = Received;
    QString stat =
        QStringLiteral("REC UNREAD"); // "REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"
    QString address;                  // oa, da or ra
    QString alpha;                    // the alpha field of a received entry
    QString scts;                     // "yy/MM/dd,hh:mm:ss+zz"
    QByteArray body;                  // GSM codes exactly as stored
    // status reports
    int fo = 6;
    int mr = 0;
    QString dt;
    int st = 0;
    bool emptyAddress = false; // the report lists ",," in place of ra and tora
    bool emptyStat = false;    // AT+CMGR shows an empty <stat>

    int toa() const { return address.startsWith(QLatin1Char('+')) ? 145 : 129; }
};

struct MemoryShape {
    int capacity = 30;
    int base = 1;
    int offset = 0;
};

// The modem's message memories "SM", "ME", "SR" and the combined view "MT" (SM, then ME), each
// entry addressed by the index a client sees.
class SmsStore
{
public:
    SmsStore();

    void setShape(const QString &memory, const MemoryShape &shape);
    MemoryShape shape(const QString &memory) const;

    // Stores in the lowest free place of the given memory (or view); returns the index, or -1
    // when the memory is full.
    int add(const QString &memory, const SmsEntry &entry);
    SmsEntry *find(const QString &memory, int index);
    bool remove(const QString &memory, int index);
    QList<int> indexes(const QString &memory) const;
    int used(const QString &memory) const;
    int total(const QString &memory) const;
    void clear();

private:
    struct Place {
        QString physical;
        int slot;
    };
    QStringList physicalOf(const QString &memory) const;
    int indexOf(const QString &memory, const Place &place) const;
    bool placeOf(const QString &memory, int index, Place *place) const;

    QMap<QString, MemoryShape> m_shapes;
    QMap<QString, QMap<int, SmsEntry>> m_cells;
};

} // namespace portiva::modemsim
