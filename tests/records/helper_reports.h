#pragma once

// Fixtures of the report-window tests: a fresh database with the program-wide state the
// windows read, language texts put into given rows, and the recording grid printer
// registered under the component's class id.

#include "programstate/AppState.h"
#include "recorder/RecordingPrinter.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QVariantList>

class QComboBox;

namespace portiva
{
class DataGrid;
}

namespace portiva::test
{

struct ReportFixture {
    ReportFixture();
    TestDatabase db;
    AppState state;

    void exec(const QString &sql, const QVariantList &params = {});
    QVariant scalar(const QString &sql, const QVariantList &params = {});
    // Puts a text into one language column of the row at that position of TBLLanguage.
    void setLanguageText(int row, const QString &column, const QVariant &text);
    void addRight(const QString &user, const QString &key, const QString &account,
                  const QVariant &status, const QString &from = QStringLiteral("1/1/2024"));
    void addPerson(const QString &user, const QString &surname, const QVariant &firstName,
                   const QVariant &count = QStringLiteral("0"));
};

// The recording printer in a registry of its own for the object's lifetime.
class RegisteredRecorder
{
public:
    RegisteredRecorder();
    ~RegisteredRecorder();
    bool ok() const { return m_recording != nullptr; }
    PrinterRecording &recording() { return *m_recording; }
    // Points the registry at nothing (or back at the recorder).
    void unregister();
    void registerAgain();

private:
    QTemporaryDir m_dir;
    QByteArray m_oldEnv;
    PrinterRecording *m_recording = nullptr;
};

// What the operator's choice from a box does: the entry becomes the text, then "Click".
void choose(QComboBox *box, const QString &entry);
QStringList entries(const QComboBox *box);
// The cells of the grid's rows, joined by "|"; a Null cell is empty.
QStringList gridRows(const DataGrid *grid);

} // namespace portiva::test
