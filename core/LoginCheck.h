#pragma once

#include <QString>

namespace portiva
{

class Recordset;

// The outcome of one press of OK in the login window.
struct LoginResult {
    enum class Outcome { Refused, Accepted, Failed };
    Outcome outcome = Outcome::Refused;
    QString level;       // Accepted: SecurityLevel as text ("7")
    QString description; // Failed: what the operator is shown

    bool accepted() const { return outcome == Outcome::Accepted; }
};

// Checks a typed name and password against the password recordset (USER_ID, Password,
// SecurityLevel, sorted by USER_ID). The name is looked up by value, ignoring case; the password
// must match exactly. Nothing here ever lets anyone in on an error: a failure of the look-up and
// a Null level both come back as Failed.
class LoginCheck
{
public:
    static LoginResult verify(Recordset &passwords, const QString &name, const QString &password);
};

} // namespace portiva
