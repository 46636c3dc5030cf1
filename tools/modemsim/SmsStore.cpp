#include "tools/modemsim/SmsStore.h"

namespace portiva::modemsim
{

SmsStore::SmsStore()
{
    m_shapes.insert(QStringLiteral("SM"), {30, 1, 0});
    m_shapes.insert(QStringLiteral("ME"), {100, 1, 0});
    m_shapes.insert(QStringLiteral("SR"), {20, 1, 0});
}

void SmsStore::setShape(const QString &memory, const MemoryShape &shape)
{
    m_shapes.insert(memory, shape);
    // Entries beyond a smaller capacity are dropped, as a SIM swapped for a smaller one would.
    auto &cells = m_cells[memory];
    for (auto it = cells.begin(); it != cells.end();) {
        if (it.key() >= shape.capacity)
            it = cells.erase(it);
        else
            ++it;
    }
}

MemoryShape SmsStore::shape(const QString &memory) const
{
    return m_shapes.value(memory);
}

QStringList SmsStore::physicalOf(const QString &memory) const
{
    if (memory == QLatin1String("MT"))
        return {QStringLiteral("SM"), QStringLiteral("ME")};
    return {memory};
}

int SmsStore::indexOf(const QString &memory, const Place &place) const
{
    if (memory == QLatin1String("MT")) {
        const MemoryShape sm = m_shapes.value(QStringLiteral("SM"));
        const int first = sm.base + sm.offset;
        return place.physical == QLatin1String("SM") ? first + place.slot
                                                     : first + sm.capacity + place.slot;
    }
    const MemoryShape s = m_shapes.value(memory);
    return s.base + s.offset + place.slot;
}

bool SmsStore::placeOf(const QString &memory, int index, Place *place) const
{
    for (const QString &phys : physicalOf(memory)) {
        const int cap = m_shapes.value(phys).capacity;
        const int slot = index - indexOf(memory, {phys, 0});
        if (slot >= 0 && slot < cap) {
            *place = {phys, slot};
            return true;
        }
    }
    return false;
}

int SmsStore::add(const QString &memory, const SmsEntry &entry)
{
    for (const QString &phys : physicalOf(memory)) {
        auto &cells = m_cells[phys];
        const int cap = m_shapes.value(phys).capacity;
        for (int slot = 0; slot < cap; ++slot) {
            if (!cells.contains(slot)) {
                cells.insert(slot, entry);
                return indexOf(memory, {phys, slot});
            }
        }
    }
    return -1;
}

SmsEntry *SmsStore::find(const QString &memory, int index)
{
    Place p;
    if (!placeOf(memory, index, &p))
        return nullptr;
    auto &cells = m_cells[p.physical];
    auto it = cells.find(p.slot);
    return it == cells.end() ? nullptr : &it.value();
}

bool SmsStore::remove(const QString &memory, int index)
{
    Place p;
    if (!placeOf(memory, index, &p))
        return false;
    return m_cells[p.physical].remove(p.slot) > 0;
}

QList<int> SmsStore::indexes(const QString &memory) const
{
    QList<int> out;
    for (const QString &phys : physicalOf(memory)) {
        const auto cells = m_cells.value(phys);
        for (auto it = cells.cbegin(); it != cells.cend(); ++it)
            out.append(indexOf(memory, {phys, it.key()}));
    }
    return out;
}

int SmsStore::used(const QString &memory) const
{
    int n = 0;
    for (const QString &phys : physicalOf(memory))
        n += int(m_cells.value(phys).size());
    return n;
}

int SmsStore::total(const QString &memory) const
{
    int n = 0;
    for (const QString &phys : physicalOf(memory))
        n += m_shapes.value(phys).capacity;
    return n;
}

void SmsStore::clear()
{
    m_cells.clear();
}

} // namespace portiva::modemsim
