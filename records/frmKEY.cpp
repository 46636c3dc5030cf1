#include "records/frmKEY.h"

#include "admin/CommandLanguage.h"
#include "admin/KeyPropTexts.h"
#include "admin/frmKeyProperties.h"
#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowRegistry.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"
#include "records/frmKEYRules.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>

namespace portiva
{

namespace
{

QList<RecordColumn> keyColumns()
{
    // The widths were drawn as pixels on a 96 dpi screen: 15 twips each.
    QList<RecordColumn> columns{
        {QString::fromUtf8("Dør Nummer"), 128, 80 * 15},
        {QString::fromUtf8("Dør Navn"), 129, 160 * 15},
        {QStringLiteral("Bygning"), 64, 160 * 15},
        {QString::fromUtf8("Sikkerhetsnivå"), 63, 90 * 15},
    };
    // Beskrivelse, Alarmstatus, KeyStatus and the six texts: written into new rows, not shown.
    for (int i = 4; i <= 12; ++i) {
        RecordColumn hidden;
        hidden.hidden = true;
        hidden.fieldNameHeading = true;
        columns << hidden;
    }
    return columns;
}

constexpr RecordWindow::Features keyFeatures =
    RecordWindow::DeleteButton | RecordWindow::RefreshButton | RecordWindow::KeyNavigation |
    RecordWindow::Translated;

// The number is typed only into a new row: stored rows keep theirs (it ties a unit to its
// users, queue and log).
QString newUnitRefusal(const Recordset &row)
{
    const QString number = vb::Trim(row.toTextOr(QStringLiteral("KeyNummer"), QString()));
    if (isInternationalNumber(number))
        return QString();
    return keyprop::badUnitNumberText(number) + QLatin1Char(' ') +
           phrase(u"Nøkkelenheten er ikke lagret.", u"Nøgleenheden er ikke gemt.",
                  u"Nyckelenheten har inte sparats.");
}

// A tab caption shows an "&" of a building name as itself, not as an access key.
QString tabCaption(const QString &building)
{
    QString caption = building;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

frmKEY::frmKEY(AppState &state)
    : RecordWindow(state, QStringLiteral("frmKEY"), keyFeatures, keyColumns())
{
    setWindowTitle(QStringLiteral("frmKEY"));
    cmdClose->setText(QStringLiteral("&VELG"));
    // Its close button reads "VELG" (choose): the common close row is not this window's.
    addLanguageTarget(108, [](const QString &) {});
    addLanguageTarget(130, cmdClose);

    TabStrip1 = new QTabBar;
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setExpanding(false);
    addAboveGrid(TabStrip1);
    connect(TabStrip1, &QTabBar::currentChanged, this, &frmKEY::TabStrip1_Click);

    addLanguageTarget(131, &m_allBuildingsText);
    for (int i = 0; i < 6; ++i)
        addLanguageTarget(202 + i, &m_tekst[i]);
    addLanguageTarget(179, &m_alarmText);
    addLanguageTarget(188, &m_lockText);
    addLanguageTarget(208, &m_deleteQuestion);
    addLanguageTarget(209, &m_numberReminder);

    RecordsetModel *model = grdDataGrid->recordsetModel();
    model->setNewRowHook([this](Recordset &row) { fillNewRow(row); });
    model->setBeforeInsertHook([this](Recordset &row) { completeNewRow(row); });
    model->setWriteCheck(
        [](const Recordset &row, bool newRow) { return newRow ? newUnitRefusal(row) : QString(); });
    connect(grdDataGrid, &DataGrid::clicked, this, &frmKEY::grdDataGrid_Click);
    // A double click here opens the unit's properties; it must not also open a cell editor,
    // which would take the keys meant for the properties window's boxes.
    grdDataGrid->setEditTriggers(grdDataGrid->editTriggers() & ~QAbstractItemView::DoubleClicked);
    connect(grdDataGrid, &DataGrid::doubleClicked, this, &frmKEY::grdDataGrid_DblClick);

    // Its refresh reports failures with a word of its own, and leaves the tabs as they are.
    disconnect(cmdRefresh, &QPushButton::clicked, this, &RecordWindow::cmdRefresh_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmKEY::refreshKeyList);
}

void frmKEY::setDefaultTexts()
{
    m_allBuildingsText = QStringLiteral("ALLE");
    m_tekst[0] = QStringLiteral("Velkommen som ny bruker");
    m_tekst[1] = QString::fromUtf8("for å åpne porten");
    m_tekst[2] = QStringLiteral("De er slettet som bruker");
    m_tekst[3] = QString::fromUtf8("Takk for besøket og velkommen igjen");
    m_tekst[4] = QStringLiteral("**ALARM** Alarm Loop");
    m_tekst[5] = QStringLiteral("Mvh Portiva3");
    m_alarmText = QStringLiteral("ALARM AV");
    m_lockText = QStringLiteral("Normal (N)");
    m_deleteQuestion =
        QString::fromUtf8("Er Du sikker. Dette vil slette NØKKEL og alle tilhørende brukere!!");
    m_numberReminder = QStringLiteral(" Husk Internasjonalt telefonnummer +47...");
}

void frmKEY::Form_Load()
{
    guardedAction([this] { RecordWindow::Form_Load(); });
}

std::shared_ptr<Recordset> frmKEY::openRecordsets(const std::shared_ptr<Connection> &c)
{
    const ListQuery query = keyUnitListQuery(state().CurrentSecurityLevel, m_building);
    return Recordset::open(c, query.sql, query.params);
}

GridPermissions frmKEY::gridPermissions() const
{
    const KeyUnitRights rights = keyUnitRights(state().CurrentSecurityLevel);
    GridPermissions p;
    p.add = rights.add;
    p.edit = rights.edit;
    // The number ties the unit to its users, queue and log: a unit that changes number is
    // deleted and added anew.
    p.newRowOnlyColumns = {0};
    return p;
}

void frmKEY::afterLoad()
{
    SetButtons(true);
    FillBuildingTabs();
}

void frmKEY::SetButtons(bool show)
{
    cmdDelete->setVisible(show && keyUnitRights(state().CurrentSecurityLevel).remove);
    cmdClose->setVisible(show);
    cmdRefresh->setVisible(show);
    for (QPushButton *move : {cmdNext, cmdFirst, cmdLast, cmdPrevious})
        move->setEnabled(show);
}

void frmKEY::FillBuildingTabs()
{
    const QStringList buildings =
        buildingTabs(state().SharedConnection, state().CurrentSecurityLevel);
    const QSignalBlocker blocker(TabStrip1);
    while (TabStrip1->count() > 0)
        TabStrip1->removeTab(0);
    TabStrip1->addTab(m_allBuildingsText);
    for (const QString &building : buildings) {
        const int index = TabStrip1->addTab(tabCaption(building));
        TabStrip1->setTabData(index, building);
    }
    selectFilterTab();
}

void frmKEY::selectFilterTab()
{
    int selected = 0;
    for (int i = 1; i < TabStrip1->count() && !m_building.isEmpty(); ++i) {
        if (TabStrip1->tabData(i).toString() == m_building)
            selected = i;
    }
    const QSignalBlocker blocker(TabStrip1);
    TabStrip1->setCurrentIndex(selected);
}

void frmKEY::TabStrip1_Click(int index)
{
    const QString shown = m_building;
    const std::shared_ptr<Recordset> before = adoPrimaryRS();
    m_building = index <= 0 ? QString() : TabStrip1->tabData(index).toString();
    Form_Load();
    // A load that could not replace the list (an edit that could not be written, a file that
    // would not open) leaves the units of the former building on show: the filter and the
    // strip say so, and a refresh lists that building again.
    if (adoPrimaryRS() == before) {
        m_building = shown;
        selectFilterTab();
    }
}

void frmKEY::onPositionChanged()
{
    const std::shared_ptr<Recordset> rs = adoPrimaryRS();
    if (!rs || rs->BOF() || rs->EOF() || rs->rowOfCurrent() < 0)
        return;
    const QString number = rs->toTextOr(QStringLiteral("KeyNummer"), QString());
    if (!number.isEmpty())
        state().SelectedKeyNummer = number;
}

void frmKEY::grdDataGrid_Click(const QModelIndex &index)
{
    if (index.column() != 0)
        return;
    if (!index.data().toString().startsWith(QLatin1Char('+')))
        showMessage(m_numberReminder);
}

void frmKEY::fillNewRow(Recordset &row)
{
    static const char *const fields[] = {"Tekst1", "Tekst2", "Tekst3",
                                         "Tekst4", "Tekst5", "Tekst6"};
    for (int i = 0; i < 6; ++i)
        row.setValue(QLatin1String(fields[i]), m_tekst[i]);
    row.setValue(QStringLiteral("Alarmstatus"), m_alarmText);
    row.setValue(QStringLiteral("KeyStatus"), m_lockText);
}

void frmKEY::completeNewRow(Recordset &row)
{
    row.setValue(QStringLiteral("KeyNummer"),
                 vb::Trim(row.toTextOr(QStringLiteral("KeyNummer"), QString())));
    // A unit without a level would match no "KeySikkerhet <=" and vanish from every window
    // that could edit or delete it.
    if (row.toTextOr(QStringLiteral("KeySikkerhet"), QString()).isEmpty())
        row.setValue(QStringLiteral("KeySikkerhet"), state().CurrentSecurityLevel);
}

void frmKEY::grdDataGrid_DblClick()
{
    if (!keyUnitRights(state().CurrentSecurityLevel).properties)
        return;
    guardedAction([this] {
        auto *window = new frmKeyProperties(state());
        window->setAttribute(Qt::WA_DeleteOnClose);
        registerForm(window);
        window->show();
    });
}

bool frmKEY::canDelete()
{
    return showMessage(m_deleteQuestion, Dialogs::Buttons::OkCancel,
                       QStringLiteral("DELETE KEY")) == Dialogs::Answer::Ok;
}

void frmKEY::deleteCurrentRow()
{
    try {
        const std::shared_ptr<Recordset> rs = adoPrimaryRS();
        if (!rs)
            throw Error(noCurrentRowText());
        deleteKeyUnit(connection(), *rs, rs->toText(QStringLiteral("KeyNummer")));
        if (!(rs->BOF() && rs->EOF()))
            rs->MoveNext();
    } catch (const std::exception &e) {
        showMessage(errorDescription(e) + QStringLiteral(" DELETE"));
    }
}

void frmKEY::refreshKeyList()
{
    try {
        RecordsetModel *model = grdDataGrid->recordsetModel();
        if (model->commitPending() && model->refresh())
            layoutColumns();
    } catch (const std::exception &e) {
        showMessage(errorDescription(e) + QStringLiteral(" Refresh"));
    }
}

} // namespace portiva
