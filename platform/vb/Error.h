#pragma once

#include <QString>
#include <stdexcept>

namespace portiva
{

// Every failure the program reports carries the description the operator sees, the way
// the original runtime's errors did. Layers throw it; the window that owns the step
// catches it and shows description() (see platform/ui's guarded()).
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &description, int number = 0)
        : std::runtime_error(description.toStdString()), m_description(description),
          m_number(number)
    {
    }
    const QString &description() const noexcept { return m_description; }
    // The runtime's error number where one is known (6 Overflow, 13 Type mismatch, ...), else 0.
    int number() const noexcept { return m_number; }

private:
    QString m_description;
    int m_number;
};

} // namespace portiva
