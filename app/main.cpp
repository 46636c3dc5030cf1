#include "database/CreateDatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Portiva3"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Portiva3 key-unit operator program"));
    parser.addHelpOption();
    const QCommandLineOption create(QStringLiteral("create-database"),
                                    QStringLiteral("Make a new database FILE and exit."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("With --create-database: add demonstration data."));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Open the database FILE."),
                                      QStringLiteral("FILE"));
    parser.addOptions({create, demo, database});
    parser.process(app);

    if (parser.isSet(create))
        return portiva::runCreateDatabaseCommand(parser.value(create), parser.isSet(demo));
    if (parser.isSet(demo)) {
        std::fprintf(stderr, "Portiva3: --demo is used together with --create-database FILE.\n");
        return 1;
    }
    std::fprintf(stderr, "Portiva3: the operator window cannot be started by this build; "
                         "use --create-database FILE to make a database.\n");
    return 1;
}
