#include "core/mainwindow/Main.h"
#include "core/Version.h"
#include "database/CreateDatabase.h"
#include "platform/faces/Faces.h"
#include "platform/settings/Settings.h"
#include "programstate/AppState.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace
{

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Portiva3 key-unit operator program"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption create(QStringLiteral("create-database"),
                                    QStringLiteral("Make a new database FILE and exit."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("With --create-database: add demonstration data."));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Open the database FILE for this run."),
                                      QStringLiteral("FILE"));
    parser.addOptions({create, demo, database});

    // The terminal commands must run without a display, so the kind of application is chosen
    // only after the command line has been read.
    const bool parsed = parser.parse(argumentsOf(argc, argv));
    if (!parsed || parser.isSet(help) || parser.isSet(QStringLiteral("help-all")) ||
        parser.isSet(version) || parser.isSet(create) || parser.isSet(demo)) {
        QCoreApplication app(argc, argv);
        portiva::setApplicationIdentity();
        parser.process(app); // prints the parse error, the help or the version and exits
        if (parser.isSet(create))
            return portiva::runCreateDatabaseCommand(parser.value(create), parser.isSet(demo));
        std::fprintf(stderr, "Portiva3: --demo is used together with --create-database FILE.\n");
        return 1;
    }

    QApplication app(argc, argv);
    portiva::setApplicationIdentity();
    // The windows' widths in twips were drawn for the original's dialog face.
    portiva::useDialogFont();
    const QString databaseFile =
        parser.isSet(database) ? QFileInfo(parser.value(database)).absoluteFilePath() : QString();
    portiva::AppState state;
    portiva::Settings settings; // PORTIVA_SETTINGS_FILE keeps test runs off the user's own
    return portiva::Main(state, settings, databaseFile);
}
