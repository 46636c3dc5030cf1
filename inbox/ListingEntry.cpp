#include "inbox/ListingEntry.h"

#include "inbox/SmsText.h"

#include <QRegularExpression>

namespace portiva
{

namespace
{

bool quoted(const QString &field)
{
    return field.startsWith(u'"');
}

// The text between a field's opening quote and the next quote; "" without a closing one.
QString unquoted(const QString &field)
{
    if (!quoted(field))
        return field;
    const qsizetype close = field.indexOf(u'"', 1);
    return close < 0 ? QString() : field.mid(1, close - 1);
}

bool statusIsReceived(const QString &field)
{
    const QString stat = SmsText::vbTrim(unquoted(field));
    return stat.compare(QLatin1String("REC UNREAD"), Qt::CaseInsensitive) == 0 ||
           stat.compare(QLatin1String("REC READ"), Qt::CaseInsensitive) == 0;
}

void readText(ListingEntry &e)
{
    e.kind = ListingEntry::Kind::Text;
    e.sender = SmsText::vbTrim(unquoted(e.fields.at(2)));
    // The stamp is the first quoted field after the sender that holds a date; a name field
    // between them, or a "/" in the sender, cannot shift it.
    for (qsizetype i = 3; i < e.fields.size(); ++i) {
        if (quoted(e.fields.at(i)) && unquoted(e.fields.at(i)).contains(u'/')) {
            e.timeStamp = listingStamp(e.fields.at(i));
            break;
        }
    }
}

bool readStatusReport(ListingEntry &e)
{
    const QStringList &f = e.fields;
    if (f.size() != 9 || !SmsText::isDigits(f.at(2)) || !SmsText::isDigits(f.at(3)))
        return false;
    // TP-MTI in the two low bits of the first octet: 2 is a status report.
    bool okFo = false, okMr = false;
    const qulonglong fo = f.at(2).toULongLong(&okFo);
    const qulonglong mr = f.at(3).toULongLong(&okMr);
    if (!okFo || !okMr || (fo & 3) != 2)
        return false;
    e.kind = ListingEntry::Kind::StatusReport;
    e.reference = QString::number(mr);
    e.recipient = SmsText::vbTrim(unquoted(f.at(4)));
    // Type 145 is an international number; some modems write it without its "+", and it
    // must still meet the recipient the message was sent to.
    if (f.at(5) == QLatin1String("145") && SmsText::isDigits(e.recipient))
        e.recipient.prepend(u'+');
    e.timeSent = listingStamp(f.at(6));
    e.timeReceived = listingStamp(f.at(7));
    e.status = SmsText::vbTrim(unquoted(f.at(8)));
    return true;
}

} // namespace

QStringList splitListingFields(const QString &text)
{
    QStringList fields;
    QString current;
    bool inQuotes = false;
    for (QChar c : text) {
        if (c == u'"')
            inQuotes = !inQuotes;
        if (c == u',' && !inQuotes) {
            fields << SmsText::vbTrim(current);
            current.clear();
        } else {
            current += c;
        }
    }
    fields << SmsText::vbTrim(current);
    return fields;
}

QString listingStamp(const QString &field)
{
    const QString text = unquoted(field);
    static const QRegularExpression stamp(QStringLiteral(
        "^\\s*(\\d{2}|\\d{4})/(\\d{1,2})/(\\d{1,2}),(\\d{1,2}):(\\d{1,2}):(\\d{1,2})"));
    const QRegularExpressionMatch m = stamp.match(text);
    if (m.hasMatch()) {
        auto two = [&m](int n) { return m.captured(n).right(2).rightJustified(2, u'0'); };
        return two(1) + u'/' + two(2) + u'/' + two(3) + u',' + two(4) + u':' + two(5) + u':' +
               two(6);
    }
    const int slash = SmsText::inStr(text, QStringLiteral("/"));
    if (slash < 3)
        return {};
    return SmsText::mid(text, slash - 2, 17).value_or(QString());
}

ListingEntry ListingEntry::parse(const QString &header)
{
    ListingEntry e;
    const QString tag = QStringLiteral("+CMGL: ");
    const qsizetype at = header.indexOf(tag, 0, Qt::CaseInsensitive);
    if (at < 0)
        return e;
    e.fields = splitListingFields(header.mid(at + tag.size()));
    if (e.fields.size() >= 3 && statusIsReceived(e.fields.at(1)) && quoted(e.fields.at(2)))
        readText(e);
    else
        readStatusReport(e);
    return e;
}

} // namespace portiva
