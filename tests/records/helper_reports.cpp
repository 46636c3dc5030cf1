#include "helper_reports.h"

#include "gridprint/ids.h"
#include "platform/com/ComRegistry.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"

#include <QComboBox>
#include <QFile>
#include <QTest>
#include <dlfcn.h>

namespace portiva::test
{

ReportFixture::ReportFixture()
{
    state.SharedConnection = db.connection();
    state.ConnectionString = db.connectionString();
    state.CountryCode = QStringLiteral("47");
    state.SelectedKeyNummer = QStringLiteral("+4791000001");
    state.SelectedKeyName = QStringLiteral("Hovedport");
    state.CurrentSecurityLevel = QStringLiteral("6");
}

void ReportFixture::exec(const QString &sql, const QVariantList &params)
{
    db.connection()->exec(sql, params);
}

QVariant ReportFixture::scalar(const QString &sql, const QVariantList &params)
{
    return db.connection()->scalar(sql, params);
}

void ReportFixture::setLanguageText(int row, const QString &column, const QVariant &text)
{
    // column is one of the three fixed language columns.
    exec(QStringLiteral("UPDATE TBLLanguage SET %1 = ? WHERE rowid = (SELECT rowid FROM "
                        "TBLLanguage ORDER BY rowid LIMIT 1 OFFSET ?)")
             .arg(column),
         {text, row - 1});
}

void ReportFixture::addRight(const QString &user, const QString &key, const QString &account,
                             const QVariant &status, const QString &from)
{
    exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, "
                        "[Gyldig til], TilTid, Konto, Saldo, Status) "
                        "VALUES (?, ?, ?, '00', '31/12/2099', '24', ?, '0', ?)"),
         {user, key, from, account, status});
}

void ReportFixture::addPerson(const QString &user, const QString &surname,
                              const QVariant &firstName, const QVariant &count)
{
    exec(QStringLiteral("INSERT INTO Katalog (Bruker, Etternavn, Fornavn, BrukerKort, "
                        "Tillatelser) VALUES (?, ?, ?, ?, ?)"),
         {user, surname, firstName, user.mid(3), count});
}

RegisteredRecorder::RegisteredRecorder()
{
    m_oldEnv = qgetenv("PORTIVA_COM_REGISTRY");
    registerAgain();
    // The registry loads the same file later and gets this very handle back.
    void *handle = dlopen(RECORDING_PRINTER, RTLD_NOW | RTLD_LOCAL);
    auto state =
        handle ? reinterpret_cast<RecordingOfFn>(dlsym(handle, RecordingOfSymbol)) : nullptr;
    if (state) {
        m_recording = state();
        m_recording->calls.clear();
        m_recording->failPrint.clear();
    }
}

RegisteredRecorder::~RegisteredRecorder()
{
    if (m_oldEnv.isEmpty())
        qunsetenv("PORTIVA_COM_REGISTRY");
    else
        qputenv("PORTIVA_COM_REGISTRY", m_oldEnv);
}

void RegisteredRecorder::unregister()
{
    qputenv("PORTIVA_COM_REGISTRY", QFile::encodeName(m_dir.filePath("empty.ini")));
}

void RegisteredRecorder::registerAgain()
{
    qputenv("PORTIVA_COM_REGISTRY", QFile::encodeName(m_dir.filePath("registry.ini")));
    com::ServerRegistration reg;
    reg.clsid = gridprint::CLSID_VeskDGPrinterL;
    reg.iid = gridprint::IID__VeskDGPrinterL;
    reg.libid = gridprint::LIBID_Tabulon;
    reg.className = QStringLiteral("Tabulon.VeskDGPrinterL");
    reg.interfaceName = QStringLiteral("_VeskDGPrinterL");
    reg.numMethods = 90;
    reg.typeLibName = QStringLiteral("Tabulon");
    reg.typeLibVersion = QStringLiteral("1.0");
    reg.libraryPath = QStringLiteral(RECORDING_PRINTER);
    QVERIFY(com::succeeded(com::registerServer(reg)));
}

void choose(QComboBox *box, const QString &entry)
{
    const int index = box->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(entry));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QStringList entries(const QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

QStringList gridRows(const DataGrid *grid)
{
    QStringList rows;
    const QAbstractItemModel *model = grid->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace portiva::test
