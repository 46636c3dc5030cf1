#include "core/LoginCheck.h"

#include "platform/db/Recordset.h"
#include "platform/ui/Guard.h"

#include <exception>

namespace portiva
{

namespace
{

LoginResult refused()
{
    return {LoginResult::Outcome::Refused, {}, {}};
}

LoginResult failed(const QString &description)
{
    return {LoginResult::Outcome::Failed, {}, description};
}

} // namespace

LoginResult LoginCheck::verify(Recordset &passwords, const QString &name, const QString &password)
{
    try {
        if (!passwords.EOF())
            passwords.MoveFirst();
        if (!passwords.find(QStringLiteral("USER_ID"), name))
            return refused();
        // A Null password equals nothing, not even an empty typed one.
        if (passwords.isNull(QStringLiteral("Password")))
            return refused();
        if (passwords.toText(QStringLiteral("Password")) != password)
            return refused();
        // A right password with no level stored lets the operator in with a level no
        // profile knows, which hides every controlled menu and button: never level "7".
        if (passwords.isNull(QStringLiteral("SecurityLevel")))
            return {LoginResult::Outcome::Accepted, QString(), {}};
        return {
            LoginResult::Outcome::Accepted, passwords.toText(QStringLiteral("SecurityLevel")), {}};
    } catch (const std::exception &e) {
        return failed(errorDescription(e));
    }
}

} // namespace portiva
