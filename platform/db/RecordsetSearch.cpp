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
// A text carries the first bytes of its sort key as a number, so most comparisons of a sort
// never leave the cell.
struct KeyCell {
    quint8 cls = 0;
    bool isInteger = false;
    qint64 integer = 0;
    double real = 0;
    quint64 keyPrefix[2] = {}; // key bytes 0-7 and 8-15
    quint32 keyOffset = 0;
    quint32 keyLength = 0;
    QStringView text;
};

enum : quint8 { NullClass, NumberClass, TextClass, BlobClass };

// The language's sort keys are made once per sort into one buffer and compare byte by byte;
// where two keys are equal the texts without regard to case decide, which orders exactly as
// compareListed does.
struct KeyColumn {
    std::vector<KeyCell> cells; // by slot
    QByteArray keys;
    bool descending = false;

    void addText(KeyCell &k, QStringView t)
    {
        k.cls = TextClass;
        k.text = t;
        k.keyOffset = quint32(keys.size());
        dbdetail::appendListKey(keys, t);
        k.keyLength = quint32(keys.size() - k.keyOffset);
        // Big-endian, zero-padded: numbers compare as the bytes do, a shorter key first.
        const auto *b = reinterpret_cast<const uchar *>(keys.constData()) + k.keyOffset;
        for (quint32 i = 0; i < 16; ++i)
            k.keyPrefix[i / 8] = (k.keyPrefix[i / 8] << 8) | (i < k.keyLength ? b[i] : 0u);
    }
    int compareText(const KeyCell &a, const KeyCell &b) const
    {
        for (int i = 0; i < 2; ++i) {
            if (a.keyPrefix[i] != b.keyPrefix[i])
                return a.keyPrefix[i] < b.keyPrefix[i] ? -1 : 1;
        }
        const quint32 n = std::min(a.keyLength, b.keyLength);
        const int r = n > 16 ? std::memcmp(keys.constData() + a.keyOffset + 16,
                                           keys.constData() + b.keyOffset + 16, n - 16)
                             : 0;
        if (r != 0)
            return r;
        if (a.keyLength != b.keyLength)
            return a.keyLength < b.keyLength ? -1 : 1;
        return dbdetail::compareNoCase(a.text, b.text);
    }
};

void addKey(KeyColumn &kc, const RecordsetStore &store, int slot, SortKey key, bool dates)
{
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
            kc.addText(k, t);
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

KeyColumn emptyKeys(const RecordsetStore &store, SortKey key)
{
    KeyColumn kc;
    kc.descending = key.descending;
    kc.cells.resize(size_t(store.slotCount()));
    return kc;
}

bool isDates(const RecordsetStore &store, SortKey key)
{
    return store.fields[size_t(key.column)].kind == FieldKind::Date;
}

KeyColumn buildKeys(const RecordsetStore &store, const std::vector<int> &order, SortKey key)
{
    KeyColumn kc = emptyKeys(store, key);
    kc.keys.reserve(qsizetype(order.size()) * 16);
    const bool dates = isDates(store, key);
    for (int slot : order)
        addKey(kc, store, slot, key, dates);
    return kc;
}

// A cell's class in the top two bits, then the first bits of a text's sort key, as one 128-bit
// number: a smaller head is a smaller cell; equal heads say nothing.
struct Ranked {
    quint64 high;
    quint64 low;
    int slot;

    Ranked(const KeyCell &k, int s) : high(quint64(k.cls) << 62), low(0), slot(s)
    {
        if (k.cls == TextClass) {
            high |= k.keyPrefix[0] >> 2;
            low = (k.keyPrefix[0] << 62) | (k.keyPrefix[1] >> 2);
        }
    }
    bool operator<(const Ranked &o) const { return high != o.high ? high < o.high : low < o.low; }
    bool sameHead(const Ranked &o) const { return high == o.high && low == o.low; }
};

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
    if (std::is_sorted(m_order.begin(), m_order.end(), less))
        return;
    // The first column's head decides most comparisons from a compact array; only equal heads
    // look at the cells.
    const KeyColumn &first = columns.front();
    std::vector<Ranked> ranked;
    ranked.reserve(m_order.size());
    for (int slot : m_order)
        ranked.emplace_back(first.cells[size_t(slot)], slot);
    std::stable_sort(ranked.begin(), ranked.end(), [&](const Ranked &a, const Ranked &b) {
        if (!a.sameHead(b))
            return first.descending ? b < a : a < b;
        return less(a.slot, b.slot);
    });
    for (size_t i = 0; i < ranked.size(); ++i)
        m_order[i] = ranked[i].slot;
}

// After some rows were read again: the rows kept are in the order the sort gave them, and only
// the added rows are put in their places, each with the keys of the few rows it meets, rather
// than making every row's key anew. The places are the ones applySort gives: by the keys, and
// among equal keys in query order (by slot).
void Recordset::placeAddedRows(std::vector<int> kept, const std::vector<int> &added)
{
    const QList<SortKey> keys = parseSort(m_sort, *this);
    // Many added rows: a whole sort costs less than finding each one's place.
    if (keys.isEmpty() || added.size() * 32 > kept.size()) {
        applySort();
        return;
    }
    std::vector<KeyColumn> columns;
    std::vector<bool> dates;
    for (const SortKey &k : keys) {
        columns.push_back(emptyKeys(*m_store, k));
        dates.push_back(isDates(*m_store, k));
    }
    std::vector<bool> made(size_t(m_store->slotCount()), false);
    const auto keyOf = [&](int slot) {
        if (!made[size_t(slot)]) {
            for (qsizetype i = 0; i < keys.size(); ++i)
                addKey(columns[size_t(i)], *m_store, slot, keys[i], dates[size_t(i)]);
            made[size_t(slot)] = true;
        }
    };
    const auto less = [&](int a, int b) {
        keyOf(a);
        keyOf(b);
        for (const KeyColumn &kc : columns) {
            const int r = compareKeys(kc, kc.cells[size_t(a)], kc.cells[size_t(b)]);
            if (r != 0)
                return kc.descending ? r > 0 : r < 0;
        }
        return a < b;
    };
    for (int slot : added)
        kept.insert(std::lower_bound(kept.begin(), kept.end(), slot, less), slot);
    m_order = std::move(kept);
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
