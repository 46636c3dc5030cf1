#pragma once

#include <QFont>
#include <QString>

namespace portiva
{

// The windows and the printed lists were laid out in twips and inches for the original's
// dialog and print faces. Free faces with the same metrics make those widths hold their texts.
inline constexpr const char *DialogFaceFamily = "Tahoma";
inline constexpr int DialogFacePointSize = 8;

// Where the metric-compatible faces are looked for when the system has none of that name
// (Debian's fonts-wine); PORTIVA_FACES_DIR overrides it.
QString metricFacesDir();

// Adds the metric-compatible faces as application fonts for each family the system lacks.
// Safe to call more than once; needs a QGuiApplication. Returns false when a face the
// program asks for is neither on the system nor in the folder.
bool ensureMetricFaces();

// The windows' face: the dialog family at its point size.
QFont dialogFont();

// Makes the dialog face the application's font, after adding the metric-compatible faces;
// a system without the face keeps its own font. Returns whether the face was there.
bool useDialogFont();

} // namespace portiva
