#pragma once

#include <QString>

namespace portiva
{

struct AppState;
class Settings;

// The start-up procedure (module Module1): country settings, the login, the splash, then the
// main window. Expects the QApplication to exist with its name and version set
// (setApplicationIdentity). commandLineDatabase, when not empty, is the --database file used in
// place of the "DBpath" setting. Returns the program's exit code; 0 at once when nobody logged
// in, before any other window exists or anything is saved.
int Main(AppState &state, Settings &settings, const QString &commandLineDatabase = {});

} // namespace portiva
