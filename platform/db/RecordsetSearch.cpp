// Sort and find. Find matches texts without regard to case; Sort orders them as the program's
// lists are ordered (TextOrder.h), the same order a query's ORDER BY gets through the list
// collation.

#include "platform/db/DbDetail.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetStore.h"
#include "platform/db/TextOrder.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstring>

namespace portiva
{

using dbdetail::fail;

namespace
{

struct SortKey {
    int column = 0;
    bool descending = false;
};

QList<SortKey> parseSort(const QString &text, const Recordset &rs)
{
    QList<SortKey> keys;
    if (text.trimmed().isEmpty())
        return keys;
    const auto invalid = [&] { fail(sortRefusedText(text)); };
    for (const QString &item : text.split(QLatin1Char(','))) {
        QString part = item.trimmed();
        QString name, rest;
        if (part.startsWith(QLatin1Char('['))) {
            const qsizetype close = part.indexOf(QLatin1Char(']'));
            if (close < 0)
                invalid();
            name = part.mid(1, close - 1).trimmed();
            rest = part.mid(close + 1).trimmed();
        } else {
            QStringList words = part.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() > 1 &&
                (words.last().compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0 ||
                 words.last().compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0))
                rest = words.takeLast();
            name = words.join(QLatin1Char(' '));
        }
        const bool desc = rest.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        if (name.isEmpty() || (!desc && !rest.isEmpty() &&
                               rest.compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0))
            invalid();
        const int column = rs.fieldIndex(name);
        // "Konto SIDEWAYS" names a field and a wrong direction, not an unknown field.
        if (column < 0 && name.contains(QLatin1Char(' ')) &&
            rs.fieldIndex(name.section(QLatin1Char(' '), 0, -2)) >= 0)
            invalid();
        if (column < 0)
            fail(unknownFieldText(name));
        keys.append({column, desc});
    }
    return keys;
}

// One cell's place in the order: its class (Null, number, text, blob), then within the class.
struct KeyCell {
    quint8 cls = 0;
    bool isInteger = false;
    qint64 integer = 0;
    double real = 0;
    quint32 offset = 0;
    quint32 length = 0;
    quint32 keyOffset = 0;
    quint32 keyLength = 0;
};

enum : quint8 { NullClass, NumberClass, TextClass, BlobClass };

// The language's sort key and the case-folded text are made once per sort into buffers of
// their own; keys compare byte by byte, and the folded texts break their ties, which orders
// exactly as compareListed does.
struct KeyColumn {
    std::vector<KeyCell> cells; // by slot
    QString folded;
    QByteArray keys;
    bool descending = false;

    QStringView text(const KeyCell &k) const
    {
        return QStringView(folded.constData() + k.offset, qsizetype(k.length));
    }
    int compareText(const KeyCell &a, const KeyCell &b) const
    {
        const quint32 n = std::min(a.keyLength, b.keyLength);
        const int r =
            n ? std::memcmp(keys.constData() + a.keyOffset, keys.constData() + b.keyOffset, n) : 0;
        if (r != 0)
            return r;
        if (a.keyLength != b.keyLength)
            return a.keyLength < b.keyLength ? -1 : 1;
        return text(a).compare(text(b));
    }
};

void foldInto(QString &out, QStringView text, KeyCell &key)
{
    key.offset = quint32(out.size());
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        const qsizetype start = out.size();
        out.resize(start + text.size());
        char16_t *d = reinterpret_cast<char16_t *>(out.data()) + start;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            d[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        }
    } else {
        out.append(text.toString().toCaseFolded());
    }
    key.length = quint32(out.size() - key.offset);
}

KeyColumn buildKeys(const RecordsetStore &store, const std::vector<int> &order, SortKey key)
{
    KeyColumn kc;
    kc.descending = key.descending;
    kc.cells.resize(size_t(store.slotCount()));
    const bool dates = store.fields[size_t(key.column)].kind == FieldKind::Date;
    for (int slot : order) {
        const Cell &c = store.cell(slot, key.column);
        KeyCell &k = kc.cells[size_t(slot)];
        switch (c.type) {
        case CellType::Integer:
            k.cls = NumberClass;
            k.isInteger = true;
            k.integer = c.integer;
            k.real = double(c.integer);
            break;
        case CellType::Real:
            k.cls = NumberClass;
            k.real = c.real;
            break;
        case CellType::Text: {
            const QStringView t = store.textOf(c);
            const QDate d = dates ? QDate::fromString(t.left(10), Qt::ISODate) : QDate();
            if (d.isValid()) {
                k.cls = NumberClass;
                k.real = double(d.toJulianDay());
            } else {
                k.cls = TextClass;
                foldInto(kc.folded, t, k);
                k.keyOffset = quint32(kc.keys.size());
                dbdetail::appendListKey(kc.keys, t);
                k.keyLength = quint32(kc.keys.size() - k.keyOffset);
            }
            break;
        }
        case CellType::Blob:
            k.cls = BlobClass;
            break;
        default:
            k.cls = NullClass;
            break;
        }
    }
    return kc;
}

int compareKeys(const KeyColumn &kc, const KeyCell &a, const KeyCell &b)
{
    if (a.cls != b.cls)
        return a.cls < b.cls ? -1 : 1;
    if (a.cls == NumberClass) {
        if (a.isInteger && b.isInteger)
            return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
        return a.real < b.real ? -1 : (a.real > b.real ? 1 : 0);
    }
    if (a.cls == TextClass)
        return kc.compareText(a, b);
    return 0;
}

} // namespace

void Recordset::setSort(const QString &sort)
{
    checkOpen();
    parseSort(sort, *this);
    dropPending();
    m_sort = sort;
    applySort();
    emit reset();
    moveTo(m_order.empty() ? At::Eof : At::Row, 0);
}

void Recordset::applySort()
{
    // Query order first, so that equal keys keep it.
    std::sort(m_order.begin(), m_order.end());
    const QList<SortKey> keys = parseSort(m_sort, *this);
    if (keys.isEmpty())
        return;
    std::vector<KeyColumn> columns;
    for (const SortKey &k : keys)
        columns.push_back(buildKeys(*m_store, m_order, k));
    const auto less = [&](int a, int b) {
        for (const KeyColumn &kc : columns) {
            int r = compareKeys(kc, kc.cells[size_t(a)], kc.cells[size_t(b)]);
            if (r != 0)
                return kc.descending ? r > 0 : r < 0;
        }
        return false;
    };
    // Every reload sorts the received messages by ID, which they nearly always are already.
    if (!std::is_sorted(m_order.begin(), m_order.end(), less))
        std::stable_sort(m_order.begin(), m_order.end(), less);
}

// What a find compares against, worked out once per search.
struct FindTarget {
    bool numeric = false;
    double number = 0;
    QString text;
    QDate date;
};

bool Recordset::matches(int slot, int column, const FindTarget &target) const
{
    const bool numeric = target.numeric;
    const double number = target.number;
    const QString &text = target.text;
    const QDate &date = target.date;
    const FieldKind kind = m_store->fields[size_t(column)].kind;
    const bool current = m_at == At::Row && m_pos < int(m_order.size()) &&
                         m_order[size_t(m_pos)] == slot && m_pending[size_t(column)];
    QVariant pendingRaw;
    Cell c;
    if (current) {
        // The current row's assigned value counts, as the field itself shows it.
        pendingRaw = *m_pending[size_t(column)];
        RecordsetStore scratch;
        scratch.fields = m_store->fields;
        scratch.appendSlot(0);
        scratch.setFromValue(0, column, pendingRaw);
        c = scratch.cell(0, column);
        if (c.type == CellType::Text) {
            const QStringView v = scratch.textOf(c);
            if (kind == FieldKind::Date) {
                const QDate d = QDate::fromString(v.left(10), Qt::ISODate);
                if (d.isValid() && date.isValid())
                    return d == date;
            }
            return dbdetail::compareNoCase(v, text) == 0;
        }
    } else {
        c = m_store->cell(slot, column);
    }
    switch (c.type) {
    case CellType::Integer:
    case CellType::Real: {
        double v = c.type == CellType::Integer ? double(c.integer) : c.real;
        if (kind == FieldKind::Boolean) {
            if (numeric)
                return (v != 0 ? -1.0 : 0.0) == (number != 0 ? -1.0 : 0.0);
            return dbdetail::compareNoCase(v != 0 ? u"True" : u"False", text) == 0;
        }
        if (numeric)
            return v == number;
        const QString shown = c.type == CellType::Integer ? dbdetail::integerText(c.integer)
                                                          : dbdetail::numberText(c.real);
        return dbdetail::compareNoCase(shown, text) == 0;
    }
    case CellType::Text: {
        const QStringView v = m_store->textOf(c);
        if (kind == FieldKind::Date) {
            const QDate d = QDate::fromString(v.left(10), Qt::ISODate);
            if (d.isValid()) {
                if (date.isValid())
                    return d == date;
                if (dbdetail::compareNoCase(dbdetail::shortDateText(d), text) == 0)
                    return true;
            }
        }
        // No trimming: a stored trailing blank is part of the value.
        return dbdetail::compareNoCase(v, text) == 0;
    }
    default:
        return false;
    }
}

bool Recordset::find(const QString &column, const QVariant &value, int skip, Direction direction)
{
    checkOpen();
    const int col = checkedField(column);
    const int n = int(m_order.size());
    const bool forward = direction == Direction::Forward;
    const bool atEnd = forward ? (m_at == At::Eof || (n == 0 && m_at != At::Deleted))
                               : (m_at == At::Bof || (n == 0 && m_at != At::Deleted));
    if (atEnd)
        return false;
    int start;
    if (forward)
        start = (m_at == At::Bof ? 0 : m_pos) + skip;
    else
        start = (m_at == At::Eof ? n - 1 : m_pos - (m_at == At::Deleted ? 1 : 0)) - skip;

    int found = -1;
    if (value.isValid() && !value.isNull()) {
        FindTarget target;
        const int type = value.typeId();
        if (type == QMetaType::Bool) {
            target.numeric = true;
            target.number = value.toBool() ? -1 : 0;
            target.text = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        } else if (type == QMetaType::QDate || type == QMetaType::QDateTime) {
            target.date = type == QMetaType::QDate ? value.toDate() : value.toDateTime().date();
            target.text = dbdetail::shortDateText(target.date);
        } else if (type == QMetaType::QString) {
            target.text = value.toString();
            target.numeric = dbdetail::readNumber(target.text, &target.number);
        } else if (type == QMetaType::QByteArray) {
            target.text = QString::fromUtf8(value.toByteArray());
        } else {
            bool ok = false;
            target.number = value.toDouble(&ok);
            target.numeric = ok;
            target.text = ok ? dbdetail::numberText(target.number) : value.toString();
        }
        for (int i = start; i >= 0 && i < n; i += forward ? 1 : -1) {
            if (matches(m_order[size_t(i)], col, target)) {
                found = i;
                break;
            }
        }
    }
    if (found >= 0) {
        if (!(m_at == At::Row && m_pos == found))
            dropPending();
        moveTo(At::Row, found);
        return true;
    }
    dropPending();
    moveTo(forward ? At::Eof : At::Bof, 0);
    return false;
}

bool Recordset::find(const QString &criterion)
{
    static const QRegularExpression form(
        QStringLiteral(
            R"(^\s*(?:\[([^\]]+)\]|(\w+))\s*=\s*(?:'((?:[^']|'')*)'|([-+]?\d+(?:\.\d+)?))\s*$)"),
        QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch m = form.match(criterion);
    if (!m.hasMatch())
        fail(criterionRefusedText(criterion));
    const QString name = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
    QVariant value;
    if (m.capturedStart(3) >= 0) {
        value = m.captured(3).replace(QLatin1String("''"), QLatin1String("'"));
    } else {
        value = m.captured(4).toDouble();
    }
    return find(name, value, 0, Direction::Forward);
}

} // namespace portiva
