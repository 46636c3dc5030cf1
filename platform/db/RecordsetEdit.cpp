// Editing: assignments are kept apart from the rows as read until Update writes them back by
// the hidden rowid, checked against the values as read (optimistic, no lock is held).

#include "platform/db/DbDetail.h"
#include "platform/db/DbError.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetStore.h"

#include <QStringList>
#include <cmath>
#include <sqlite3.h>

namespace portiva
{

using dbdetail::fail;
using dbdetail::quoteIdentifier;

namespace
{

// Steps a write of the given columns; a refused duplicate names the value that was typed for
// the column the file's rule names.
void stepNamingValue(dbdetail::Statement &statement, const QStringList &names,
                     const QVariantList &values)
{
    try {
        statement.step();
    } catch (const DatabaseError &e) {
        for (qsizetype i = 0; i < names.size() && !e.column().isEmpty(); ++i) {
            if (names.at(i).compare(e.column(), Qt::CaseInsensitive) == 0)
                throw e.namingValue(values.at(i));
        }
        throw;
    }
}

bool isIntegerType(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isRealType(int type)
{
    return type == QMetaType::Double || type == QMetaType::Float;
}

bool isDateType(int type)
{
    return type == QMetaType::QDate || type == QMetaType::QDateTime;
}

bool sameRaw(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    return a.typeId() == b.typeId() && a == b;
}

QVariant wholeNumber(double v)
{
    if (v != std::floor(v) || std::fabs(v) > 9.2e18)
        return QVariant();
    return QVariant(qlonglong(v));
}

QVariant boolRaw(bool b)
{
    return QVariant(qlonglong(b ? -1 : 0));
}

QVariant dateRaw(const QVariant &v)
{
    const QDate d = v.typeId() == QMetaType::QDate ? v.toDate() : v.toDateTime().date();
    return QVariant(d.toString(QStringLiteral("yyyy-MM-dd")));
}

QVariant textRaw(const QVariant &v)
{
    const int type = v.typeId();
    if (type == QMetaType::Bool)
        return QVariant(v.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
    if (isIntegerType(type))
        return QVariant(dbdetail::integerText(v.toLongLong()));
    if (isRealType(type))
        return QVariant(dbdetail::numberText(v.toDouble()));
    if (type == QMetaType::QByteArray)
        return QVariant(QString::fromUtf8(v.toByteArray()));
    return QVariant(v.toString());
}

QVariant integerRaw(const QVariant &v)
{
    const int type = v.typeId();
    if (type == QMetaType::Bool)
        return boolRaw(v.toBool());
    if (isIntegerType(type))
        return QVariant(v.toLongLong());
    if (isRealType(type))
        return wholeNumber(v.toDouble());
    if (type == QMetaType::QString) {
        bool ok = false;
        const qlonglong n = QStringView(v.toString()).trimmed().toLongLong(&ok);
        if (ok)
            return QVariant(n);
        double d = 0;
        if (dbdetail::readNumber(v.toString(), &d))
            return wholeNumber(d);
    }
    return QVariant();
}

QVariant booleanRaw(const QVariant &v)
{
    const int type = v.typeId();
    if (type == QMetaType::Bool)
        return boolRaw(v.toBool());
    if (isIntegerType(type) || isRealType(type))
        return boolRaw(v.toDouble() != 0);
    if (type == QMetaType::QString) {
        const QString t = v.toString().trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return boolRaw(true);
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return boolRaw(false);
        double d = 0;
        if (dbdetail::readNumber(t, &d))
            return boolRaw(d != 0);
    }
    return QVariant();
}

QVariant otherRaw(const QVariant &v)
{
    const int type = v.typeId();
    if (type == QMetaType::Bool)
        return boolRaw(v.toBool());
    if (isIntegerType(type))
        return QVariant(v.toLongLong());
    if (isRealType(type))
        return QVariant(v.toDouble());
    if (isDateType(type))
        return dateRaw(v);
    if (type == QMetaType::QByteArray)
        return v;
    return QVariant(v.toString());
}

} // namespace

// The value as the column stores it; an invalid result of a non-null input is a mismatch.
QVariant Recordset::converted(int column, const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    const FieldInfo &field = m_store->fields[size_t(column)];
    const int type = value.typeId();
    QVariant raw;
    switch (field.kind) {
    case FieldKind::Text:
        // Validity texts are written by their own rule, never from a date value.
        if (!isDateType(type))
            raw = textRaw(value);
        break;
    case FieldKind::Integer:
        if (!isDateType(type))
            raw = integerRaw(value);
        break;
    case FieldKind::Boolean:
        raw = booleanRaw(value);
        break;
    case FieldKind::Date:
        if (isDateType(type))
            raw = dateRaw(value);
        else if (type == QMetaType::QString &&
                 QDate::fromString(value.toString().left(10), Qt::ISODate).isValid())
            raw = value.toString();
        break;
    default:
        raw = otherRaw(value);
        break;
    }
    if (!raw.isValid())
        fail(fieldTypeText(field.name), 13);
    return raw;
}

void Recordset::setValue(const QString &name, const QVariant &value)
{
    setValue(checkedField(name), value);
}

void Recordset::setValue(int index, const QVariant &value)
{
    checkOpen();
    const int column = checkedIndex(index);
    if (isReadOnly())
        fail(readOnlyRowsText());
    const int slot = currentSlot();
    const QVariant raw = converted(column, value);
    auto &pending = m_pending[size_t(column)];
    if (sameRaw(raw, m_store->rawValue(slot, column)))
        pending.reset();
    else
        pending = raw;
    if (!m_pendingNew) {
        m_pendingEdit = false;
        for (const auto &p : m_pending)
            m_pendingEdit = m_pendingEdit || p.has_value();
    }
    emit rowChanged(m_pos);
}

void Recordset::Update()
{
    checkOpen();
    if (!editPending())
        return;
    writableConnection();
    if (m_pendingNew)
        insertRow();
    else
        updateRow();
}

void Recordset::updateRow()
{
    sqlite3 *db = m_connection->checkedHandle();
    const int slot = currentSlot();
    QStringList sets, checks, names;
    QVariantList values, originals;
    for (int c = 0; c < int(m_pending.size()); ++c) {
        if (!m_pending[size_t(c)])
            continue;
        names << m_store->fields[size_t(c)].origin;
        const QString column = quoteIdentifier(m_store->fields[size_t(c)].origin);
        sets << column + QStringLiteral(" = ?");
        checks << column + QStringLiteral(" IS ? COLLATE BINARY");
        values << *m_pending[size_t(c)];
        originals << m_store->rawValue(slot, c);
    }
    // Only the assigned columns are checked: another workstation's change to other columns of
    // the row is neither an error nor overwritten.
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ? AND %3")
                            .arg(quoteIdentifier(m_table), sets.join(QStringLiteral(", ")),
                                 checks.join(QStringLiteral(" AND ")));
    dbdetail::Statement statement(db, sql);
    statement.bind(values + QVariantList{m_store->rowids.at(slot)} + originals);
    stepNamingValue(statement, names, values);
    if (sqlite3_changes(db) != 1)
        throw conflictFailure(databaseFile(db));
    detach();
    for (int c = 0; c < int(m_pending.size()); ++c) {
        if (m_pending[size_t(c)])
            m_store->setFromValue(slot, c, *m_pending[size_t(c)]);
        m_pending[size_t(c)].reset();
    }
    m_pendingEdit = false;
    emit rowChanged(m_pos);
}

void Recordset::insertRow()
{
    sqlite3 *db = m_connection->checkedHandle();
    const int slot = currentSlot();
    QStringList columns, marks, names;
    QVariantList values;
    for (int c = 0; c < int(m_pending.size()); ++c) {
        if (!m_pending[size_t(c)])
            continue;
        names << m_store->fields[size_t(c)].origin;
        columns << quoteIdentifier(m_store->fields[size_t(c)].origin);
        marks << QStringLiteral("?");
        values << *m_pending[size_t(c)];
    }
    const QString sql =
        columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(m_table))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteIdentifier(m_table), columns.join(QStringLiteral(", ")),
                       marks.join(QStringLiteral(", ")));
    dbdetail::Statement statement(db, sql);
    statement.bind(values);
    stepNamingValue(statement, names, values);
    const qint64 rowid = sqlite3_last_insert_rowid(db);
    detach();
    m_store->rowids[slot] = rowid;
    for (int c = 0; c < int(m_pending.size()); ++c) {
        if (m_pending[size_t(c)])
            m_store->setFromValue(slot, c, *m_pending[size_t(c)]);
        m_pending[size_t(c)].reset();
    }
    m_pendingNew = false;
    // The generated ID and the column defaults show only when the row is read back.
    rereadSlot(slot, rowid);
    emit rowChanged(m_pos);
}

bool Recordset::rereadSlot(int slot, qint64 rowid)
{
    QStringList columns;
    for (const FieldInfo &f : m_store->fields)
        columns << quoteIdentifier(f.origin);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                            .arg(columns.join(QStringLiteral(", ")), quoteIdentifier(m_table));
    dbdetail::Statement statement(m_connection->checkedHandle(), sql);
    statement.bind({rowid});
    if (!statement.step())
        return false;
    for (int c = 0; c < m_store->columnCount(); ++c)
        m_store->setFromColumn(m_store->cellRef(slot, c), statement.get(), c);
    return true;
}

void Recordset::removeNewRow()
{
    const int row = m_pos;
    m_order.erase(m_order.begin() + row);
    m_pendingNew = false;
    m_pending.assign(m_pending.size(), std::nullopt);
    emit rowRemoved(row);
}

void Recordset::dropPending()
{
    if (m_pendingNew) {
        const int row = m_pos;
        removeNewRow();
        // Moves go on from where the unwritten row stood.
        m_at = At::Deleted;
        m_pos = row;
    } else if (m_pendingEdit) {
        m_pending.assign(m_pending.size(), std::nullopt);
        m_pendingEdit = false;
        emit rowChanged(m_pos);
    }
}

void Recordset::AddNew()
{
    checkOpen();
    if (isReadOnly())
        fail(readOnlyRowsText());
    dropPending();
    m_beforeNewAt = m_at;
    m_beforeNewPos = m_pos;
    detach();
    m_store->appendSlot(0);
    const int slot = m_store->slotCount() - 1;
    m_order.push_back(slot);
    m_pending.assign(m_pending.size(), std::nullopt);
    m_pendingNew = true;
    const int row = int(m_order.size()) - 1;
    emit rowInserted(row);
    moveTo(At::Row, row);
}

void Recordset::CancelUpdate()
{
    checkOpen();
    if (m_pendingNew) {
        removeNewRow();
        moveTo(m_beforeNewAt, m_beforeNewPos);
    } else if (m_pendingEdit) {
        dropPending();
    }
}

bool Recordset::Resync()
{
    checkOpen();
    if (m_pendingNew) {
        CancelUpdate();
        return true;
    }
    dropPending();
    if (isReadOnly())
        return true;
    const int slot = currentSlot();
    detach();
    if (rereadSlot(slot, m_store->rowids.at(slot))) {
        emit rowChanged(m_pos);
        return true;
    }
    const int row = m_pos;
    m_order.erase(m_order.begin() + row);
    m_at = At::Deleted;
    emit rowRemoved(row);
    emit currentChanged();
    return false;
}

void Recordset::Delete()
{
    checkOpen();
    if (m_pendingNew) {
        CancelUpdate();
        return;
    }
    if (isReadOnly())
        fail(readOnlyRowsText());
    const int slot = currentSlot();
    dropPending();
    sqlite3 *db = writableConnection()->checkedHandle();
    QStringList checks;
    QVariantList params{m_store->rowids.at(slot)};
    for (int c = 0; c < m_store->columnCount(); ++c) {
        const QString column = quoteIdentifier(m_store->fields[size_t(c)].origin);
        checks << column + QStringLiteral(" IS ? COLLATE BINARY");
        params << m_store->rawValue(slot, c);
    }
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid = ? AND %2")
                            .arg(quoteIdentifier(m_table), checks.join(QStringLiteral(" AND ")));
    dbdetail::Statement statement(db, sql);
    statement.bind(params);
    statement.step();
    if (sqlite3_changes(db) != 1)
        throw conflictFailure(databaseFile(db));
    // The rows as read stay untouched (other sets may share them); the slot only leaves this
    // set's order.
    const int row = m_pos;
    m_order.erase(m_order.begin() + row);
    // The slot stays current as a gap, so MoveNext reaches the row that followed it.
    m_at = At::Deleted;
    emit rowRemoved(row);
    emit currentChanged();
}

} // namespace portiva
