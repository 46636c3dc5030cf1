#pragma once

#include <QString>

namespace portiva
{

// The help file of a program in programDir: beside the program (a build), else in the
// installation's data folder; the place beside the program when neither holds it, so that a
// "not found" names where it was looked for.
QString helpFileFor(const QString &programDir);

// Whether the desktop names a program for HTML files. Asking it to open one without tells
// nothing: the opener starts in the background and fails there, unseen.
bool desktopHasHtmlViewer();

} // namespace portiva
