#include "platform/faces/Faces.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMutex>
#include <QStringList>

namespace portiva
{

namespace
{

struct FaceFile {
    const char *family;
    const char *fileName;
};

// "MS Sans Serif" there is a bitmap face in three pixel sizes; it is loaded so that a list
// asking for it by name gets its metrics, but the windows use the scalable Tahoma.
constexpr FaceFile faceFiles[] = {
    {"Tahoma", "tahoma.ttf"},
    {"Tahoma", "tahomabd.ttf"},
    {"MS Sans Serif", "ms_sans_serif.ttf"},
};

bool systemHas(const QString &family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

} // namespace

QString metricFacesDir()
{
    const QByteArray dir = qgetenv("PORTIVA_FACES_DIR");
    return dir.isEmpty() ? QStringLiteral("/usr/share/wine/fonts") : QString::fromLocal8Bit(dir);
}

bool ensureMetricFaces()
{
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    const QDir dir(metricFacesDir());
    // A system face of that name wins, and so does one added by an earlier call. The families
    // missing are settled before any file is added, so that every file of a family goes in and
    // its bold is the real bold, not a synthesised one.
    QStringList missing;
    for (const FaceFile &face : faceFiles) {
        if (!systemHas(QString::fromLatin1(face.family)))
            missing << QString::fromLatin1(face.family);
    }
    for (const FaceFile &face : faceFiles) {
        if (missing.contains(QString::fromLatin1(face.family)))
            QFontDatabase::addApplicationFont(dir.filePath(QString::fromLatin1(face.fileName)));
    }
    return systemHas(QString::fromLatin1(DialogFaceFamily));
}

QFont dialogFont()
{
    QFont font(QString::fromLatin1(DialogFaceFamily));
    font.setPointSize(DialogFacePointSize);
    return font;
}

bool useDialogFont()
{
    if (!ensureMetricFaces())
        return false;
    QGuiApplication::setFont(dialogFont());
    return true;
}

} // namespace portiva
