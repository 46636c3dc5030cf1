#include "database/CreateDatabase.h"

#include "platform/db/Connection.h"
#include "platform/vb/Error.h"

#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace portiva
{

namespace
{

constexpr const char *PasswordVariable = "PORTIVA_ADMIN_PASSWORD";

std::optional<QString> readLine(bool hidden)
{
    termios saved{};
    const bool terminal = hidden && isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool ok = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!ok)
        return std::nullopt;
    return QString::fromStdString(line);
}

// The password from the environment, else asked twice on the terminal.
std::optional<QString> operatorPassword(QTextStream &err)
{
    if (qEnvironmentVariableIsSet(PasswordVariable))
        return qEnvironmentVariable(PasswordVariable);
    const bool terminal = isatty(STDIN_FILENO);
    err << "Password for the operator " << FirstOperatorName << ": " << Qt::flush;
    const std::optional<QString> first = readLine(true);
    if (!first) {
        err << "\nNo password was given." << Qt::endl;
        return std::nullopt;
    }
    if (!terminal)
        return first;
    err << "Repeat the password: " << Qt::flush;
    const std::optional<QString> second = readLine(true);
    if (!second || *second != *first) {
        err << "The two passwords differ; nothing was made." << Qt::endl;
        return std::nullopt;
    }
    return first;
}

} // namespace

int runCreateDatabaseCommand(const QString &path, bool demo)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::optional<QString> password = operatorPassword(err);
    if (!password)
        return 1;
    try {
        createDatabase(path, *password);
        if (demo) {
            try {
                std::shared_ptr<Connection> connection =
                    Connection::open(buildConnectionString(path, databasePassword()));
                Connection::Transaction transaction(connection);
                addDemoData(*connection);
                transaction.commit();
            } catch (const Error &) {
                QFile::remove(path); // a half-filled demonstration database is of no use
                throw;
            }
        }
    } catch (const Error &e) {
        err << "Could not create the database " << path << ": " << e.description() << Qt::endl;
        return 1;
    }
    out << "Created the database " << path << (demo ? " with demonstration data" : "")
        << ". Log in as " << FirstOperatorName
        << (password->isEmpty() ? " with an empty password" : "")
        << " and set the operators' passwords in PassWords." << Qt::endl;
    return 0;
}

} // namespace portiva
