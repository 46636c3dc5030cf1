#include "admin/MainRecordsets.h"

#include "admin/MainViews.h"
#include "modem/ModemSession.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

namespace portiva
{

namespace
{

const char *const kAllKeys =
    "select KeyNummer, KeyNavn, KeySikkerhet, Bygning,Admin, Admin1, Admin2, Admin3, "
    "Admin4,Admin5, Eget_Nummer,Beskrivelse,Alarmstatus,KeyStatus,Pulslengde from KEYTable";
const char *const kKeys =
    "select KeyNummer, KeyNavn, KeySikkerhet from KEYTable where KeySikkerhet <= ?";
const char *const kAllRights = "select KeyBruker,[Gyldig fra],FraTid,[Gyldig til],TilTid,Konto,"
                               "Saldo,Status,keynummer from TBLbrukere";
const char *const kAllFuture = "select Bruker,Etternavn,Fornavn,[Gyldig fra],FraTid,[Gyldig til],"
                               "TilTid,Konto,Saldo,Status,KeyNummer, ID from NYEbrukere";
const char *const kSelectedRights = "select KeyBruker,[Gyldig fra],FraTid,[Gyldig til],TilTid,"
                                    "Konto,saldo,Status,keynummer from TBLbrukere "
                                    "where KeyNummer = ?";
const char *const kCatalogue = "select Bruker, Etternavn, Fornavn, BrukerKort from Katalog";
const char *const kReceived = "SELECT ID,FraNummer, FraNummerKort, Etternavn, Fornavn, Dato, "
                              "SMS_Text FROM SMS_Received";
const char *const kNewestReceived = "SELECT ID, FraNummerKort, Dato, SMS_Text, Etternavn FROM "
                                    "SMS_Received ORDER BY ID DESC LIMIT 1";
const char *const kSentColumns = "SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato,"
                                 "datolng, SMS_Text, CMGS, TimeSent, TimeReceived, "
                                 "ReceivedStatus FROM SMS_Sent ";
const char *const kCounts = "SELECT TBLBrukere.KeyBruker, Count(TBLBrukere.KeyNummer) AS "
                            "KEY_Antall From TBLBrukere GROUP BY TBLBrukere.KeyBruker";
const char *const kLog = "SELECT KeyNummer, KeyUser, Fornavn,Etternavn, Dato from LOGGData";
const char *const kModem =
    "SELECT IMEICode, ModemManufacturer, ModemName, ModemOwner, ModemStatus from Modem";

// A load whose database could not be opened has no connection yet.
std::shared_ptr<Connection> sharedConnection(const AppState &state)
{
    if (!state.SharedConnection)
        throw Error(closedConnectionText());
    return state.SharedConnection;
}

bool onRow(const Recordset *rs)
{
    return rs && rs->isOpen() && !rs->BOF() && !rs->EOF();
}

// The field's text on the current row; "" off a row, for Null, or for a deleted row.
QString fieldText(const Recordset *rs, const char *field)
{
    if (!onRow(rs))
        return QString();
    try {
        return rs->toTextOr(QString::fromLatin1(field), QString());
    } catch (const std::exception &) {
        return QString();
    }
}

void setBox(const QVector<QLineEdit *> &boxes, int index, const QString &text)
{
    if (index < boxes.size() && boxes[index])
        boxes[index]->setText(text);
}

void setShown(QWidget *w, bool shown)
{
    if (w)
        w->setVisible(shown);
}

// Deferred: most of these views are read by no code before the next reload replaces them,
// and those that are read are read as the database stands then.
std::shared_ptr<Recordset> openOn(const AppState &state, const QString &sql,
                                  const QVariantList &params = {}, const DeferredStart &start = {})
{
    return Recordset::openDeferred(sharedConnection(state), sql, params, start);
}

std::shared_ptr<Recordset> openOn(const AppState &state, const char *sql,
                                  const QVariantList &params = {}, const DeferredStart &start = {})
{
    return openOn(state, QString::fromLatin1(sql), params, start);
}

} // namespace

QString modemPanelText(bool modemReady, int lastComPort, const QString &manufacturer,
                       const QString &name, const QString &owner, const QString &host)
{
    const QString modem = manufacturer + QLatin1Char(' ') + name;
    // A released row names no modem and no holder ("?"): saying "på ?" would tell nothing.
    if (!modemReady && modem.trimmed().isEmpty())
        return noModemText();
    if (!modemReady)
        return modem + QStringLiteral(" på ") + owner;
    if (lastComPort == 255)
        return modem + QStringLiteral(" på ") + host;
    return modem + QStringLiteral(" på COM") + QString::number(lastComPort);
}

MainRecordsets::MainRecordsets(AppState &state, MainViews &views, MainRecordsetsControls controls)
    : m_state(state), m_views(views), m_controls(std::move(controls)),
      m_context(std::make_unique<QObject>())
{
}

MainRecordsets::~MainRecordsets() = default;

template <class Fn> void MainRecordsets::step(Fn &&fn)
{
    // During modem work a reload must never stop with a box: the step is skipped instead.
    if (m_state.ModemReady)
        skipOnError(std::forward<Fn>(fn));
    else
        fn();
}

void MainRecordsets::OpenMainRecordsets()
{
    guarded(QStringLiteral("INIT DB"), [this] { openAll(); });
}

void MainRecordsets::openAll()
{
    MainViews &v = m_views;
    step([&] { v.adoALLKEYRS = openOn(m_state, kAllKeys); });
    step([&] {
        // A text comparison in the database: the level followed by one blank.
        v.adoKEYRS = openOn(m_state, kKeys, {m_state.CurrentSecurityLevel + QLatin1Char(' ')});
        if (!v.adoKEYRS->EOF())
            v.adoKEYRS->find(QStringLiteral("KeyNummer"), m_state.SelectedKeyNummer);
        bind(&MainViews::adoKEYRS, &MainRecordsets::showKeyUnit);
        showKeyUnit();
    });
    step([&] { v.adoTBLBrukereRS = openOn(m_state, kAllRights); });
    step([&] { v.adoAlleNyeBrukereRS = openOn(m_state, kAllFuture); });
    step([&] { v.adoSELECTEDBrukereRS = openOn(m_state, kSelectedRights, {v.shownKeyNummer}); });
    step([&] { v.adoKatalogRS = openOn(m_state, kCatalogue); });
    // Sorted by ID and on its last row (the newest message) once it is read.
    step([&] {
        v.adoSMSReceivedRS = openOn(m_state, kReceived, {}, {QStringLiteral("ID"), true});
    });
    step([&] {
        v.adoSMSSentRS = openOn(m_state, QString::fromLatin1(kSentColumns) +
                                             QStringLiteral("where not CMGS = 'UNSENT'"));
    });
    step([&] {
        // ID order, so the queue's stable day-number sort sends one day's rows oldest first.
        v.adoSMSUNSentRS = openOn(m_state, QString::fromLatin1(kSentColumns) +
                                               QStringLiteral("where CMGS = 'UNSENT' or CMGS = "
                                                              "'SLETTET' order by ID"));
    });
    step([&] { v.adoAntallRS = openOn(m_state, kCounts); });
    step([&] { v.adoLOGGDataRS = openOn(m_state, kLog); });
    step([&] { v.adoModemRS = openOn(m_state, kModem); });
    step([&] {
        if (!v.adoSMSReceivedRS)
            return;
        bind(&MainViews::adoSMSReceivedRS, &MainRecordsets::showReceivedSms);
        showReceivedSms();
    });
    step([&] {
        bind(&MainViews::adoModemRS, &MainRecordsets::showModem);
        showModem();
    });
}

void MainRecordsets::bind(std::shared_ptr<Recordset> MainViews::*member,
                          void (MainRecordsets::*show)())
{
    Recordset *rs = (m_views.*member).get();
    if (!rs)
        return;
    // A recordset replaced by a later reload may still move in someone's hands: only the
    // one in the views drives the boxes.
    QObject::connect(rs, &Recordset::currentChanged, m_context.get(), [this, member, show, rs] {
        if ((m_views.*member).get() == rs)
            (this->*show)();
    });
}

void MainRecordsets::showKeyUnit()
{
    const Recordset *rs = m_views.adoKEYRS.get();
    const QString number = fieldText(rs, "keynummer");
    const QString name = fieldText(rs, "keynavn");
    setBox(m_controls.KeyTXT, 0, number);
    setBox(m_controls.KeyTXT, 1, name);
    m_views.shownKeyNummer = number;
    m_state.SelectedKeyName = name;
}

void MainRecordsets::showReceivedSms()
{
    std::shared_ptr<Recordset> newest;
    const Recordset *rs = m_views.adoSMSReceivedRS.get();
    if (rs && rs->deferred()) {
        // The boxes show the newest message; all of them are read only when someone steps.
        newest = openOn(m_state, kNewestReceived);
        newest->MoveFirst();
        rs = newest.get();
    }
    const char *const fields[] = {"ID", "FraNummerkort", "DATO", "SMS_Text", "etternavn"};
    for (int i = 0; i < 5; ++i)
        setBox(m_controls.SMSRectxt, i, fieldText(rs, fields[i]));
}

void MainRecordsets::showModem()
{
    const Recordset *rs = m_views.adoModemRS.get();
    const char *const fields[] = {"ModemStatus", "ModemName", "ModemManufacturer", "ModemOwner",
                                  "IMEICODE"};
    for (int i = 0; i < 5; ++i)
        setBox(m_controls.Modemdata, i, fieldText(rs, fields[i]));

    bool held = false;
    if (onRow(rs) && !rs->isNull(QStringLiteral("ModemStatus")))
        held = rs->value(QStringLiteral("ModemStatus")).toLongLong() != 0 ||
               rs->value(QStringLiteral("ModemStatus")).toBool();
    setShown(m_controls.LblModemStatus, true);
    setShown(m_controls.Image1, !held);
    setShown(m_controls.Image2, held);
    setShown(m_controls.PhoneOn, held);
    setShown(m_controls.PhoneOff, !held);
    if (QPlainTextEdit *display = m_controls.PhoneDisplay) {
        QPalette palette = display->palette();
        palette.setColor(QPalette::Base,
                         held ? QColor(0xE0, 0xE0, 0xE0) : QColor(0x40, 0x40, 0x40));
        display->setPalette(palette);
        display->setVisible(held);
    }
    if (m_controls.statusPanel1) {
        const QString host =
            m_controls.txtHostName ? m_controls.txtHostName->text() : m_state.HostName;
        m_controls.statusPanel1->setText(modemPanelText(
            m_state.ModemReady, m_state.LastComPort, fieldText(rs, "ModemManufacturer"),
            fieldText(rs, "ModemName"), fieldText(rs, "ModemOwner"), host));
    }
}

} // namespace portiva
