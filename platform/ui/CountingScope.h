#pragma once

namespace portiva
{

// Marks nested work in progress for as long as it lives: a counter above zero tells the
// notice handlers that the change under way is the window's or model's own.
class CountingScope
{
public:
    explicit CountingScope(int &counter) : m_counter(counter) { ++m_counter; }
    ~CountingScope() { --m_counter; }
    CountingScope(const CountingScope &) = delete;
    CountingScope &operator=(const CountingScope &) = delete;

private:
    int &m_counter;
};

} // namespace portiva
