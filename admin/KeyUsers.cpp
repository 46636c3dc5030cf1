#include "admin/KeyUsers.h"

#include "admin/MainViews.h"
#include "admin/UserGridModel.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/settings/Settings.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>

namespace portiva
{

namespace
{

// One row per spelling of an account, not per right, in the index's order: no sort of the
// unit's rights. The caller sorts the few rows into the list's order, first right (rid, the
// order the Brukere view lists them in) first, so each account keeps its first spelling.
const char *const kTabSource = "SELECT Konto, min(rid) AS FirstRight FROM TBLbrukere WHERE "
                               "KeyNummer = ? AND Konto <> '' GROUP BY Konto";
// The Brukere view's rows of one unit, with each right's key last: a right the modem road
// changes is then read again alone (Recordset::readChangedRows), not the unit's every right.
const char *const kAllUsers =
    "select t.KeyBruker AS Bruker, k.Etternavn AS Etternavn, k.Fornavn AS Fornavn, "
    "t.[Gyldig fra] AS [Gyldig fra], t.FraTid AS FraTid, t.[Gyldig til] AS [Gyldig til], "
    "t.TilTid AS TilTid, t.Konto AS Konto, t.Status AS Status, t.Saldo AS Saldo, t.rid AS rid "
    "from TBLbrukere AS t LEFT JOIN Katalog AS k ON k.Bruker = t.KeyBruker "
    "where t.KeyNummer = ?";
const char *const kAccountFilter = " and not t.Status = 'NY' and t.Konto = ? COLLATE LISTORDER";
const char *const kRightOrder = " order by t.rid";
const char *const kRightKey = "rid";

bool sameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isBalanceTab(const QString &caption)
{
    return sameText(caption, QStringLiteral("Saldo"));
}

} // namespace

UserListMode userListMode(const QString &selectedTab, const QString &newUsersTabText,
                          const QString &allUsersTabText)
{
    UserListMode mode = UserListMode::AllUsers;
    if (sameText(selectedTab, newUsersTabText))
        mode = UserListMode::NewUsers;
    if (!sameText(selectedTab, newUsersTabText) && !sameText(selectedTab, allUsersTabText))
        mode = UserListMode::Account;
    if (sameText(selectedTab, allUsersTabText))
        mode = UserListMode::AllUsers;
    if (isBalanceTab(selectedTab))
        mode = UserListMode::Balance;
    return mode;
}

QStringList accountTabCaptions(Recordset &rightsByAccount)
{
    // Each account once, in the spelling of its first right; its tab lists every spelling.
    QStringList captions;
    QSet<QString> seen;
    if (rightsByAccount.RecordCount() == 0)
        return captions;
    rightsByAccount.MoveFirst();
    for (; !rightsByAccount.EOF(); rightsByAccount.MoveNext()) {
        const QString konto = rightsByAccount.toTextOr(QStringLiteral("Konto"), QString());
        if (konto.isEmpty() || seen.contains(konto.toCaseFolded()))
            continue;
        captions << konto;
        seen.insert(konto.toCaseFolded());
    }
    return captions;
}

QString newUsersOfKeyQuery()
{
    return QStringLiteral("select Bruker,Etternavn,Fornavn,[Gyldig fra],FraTid,[Gyldig til],"
                          "TilTid,Konto,Status,Saldo,KeyNummer, ID from NYEbrukere "
                          "where KeyNummer = ?");
}

KeyUsers::KeyUsers(AppState &state, MainViews &views, const MainTexts &texts,
                   const QString &userGridSortKey, KeyUsersControls controls)
    : m_state(state), m_views(views), m_texts(texts), m_sortKey(userGridSortKey),
      m_controls(controls), m_shownTab(state.SelectedUserTab)
{
}

KeyUsers::~KeyUsers() = default;

void KeyUsers::ShowKeyUsers()
{
    const UserListMode shownMode = m_mode;
    if (guardedWith([](const QString &d) { return d + QStringLiteral(" DB QUERY ERROR"); },
                    [this] { rebuild(); })) {
        m_shownTab = m_state.SelectedUserTab;
        return;
    }
    // The list asked for could not be read (a lock elsewhere, say): the tab chosen goes back to
    // the list the grid still shows, so what the operator registers goes where it appears to.
    m_mode = shownMode;
    m_state.SelectedUserTab = m_shownTab;
    skipOnError([this] { highlightTab(); });
}

std::shared_ptr<Connection> KeyUsers::connection() const
{
    if (!m_state.SharedConnection)
        throw Error(closedConnectionText());
    return m_state.SharedConnection;
}

QString KeyUsers::keyNumber() const
{
    return m_controls.keyNumber ? m_controls.keyNumber->text() : m_views.shownKeyNummer;
}

void KeyUsers::refreshIfChanged()
{
    if (!m_state.SharedConnection)
        return;
    skipOnError([this] { followChanges(); });
}

std::shared_ptr<Recordset> KeyUsers::shownList() const
{
    return m_mode == UserListMode::NewUsers ? m_views.adoNyeBrukereRS : m_views.adoListBrukereRS;
}

// Only what is no longer the database's answer is read again: the tabs, and of the list the
// rights that changed where the layer knows which (this workstation's send or a unit's
// answer), otherwise the whole list (another workstation's change).
void KeyUsers::followChanges()
{
    const QString key = keyNumber();
    const std::shared_ptr<Recordset> list = shownList();
    const std::shared_ptr<Recordset> &tabs = m_views.adoPrintBrukereRS;
    if (!list || !tabs || list != m_shown.lock() || key != m_readKey ||
        m_readOn.lock() != m_state.SharedConnection) {
        rebuild();
        return;
    }
    if (!tabs->stillCurrent()) {
        buildTabs(key);
        highlightTab();
    }
    if (list->stillCurrent() ||
        (m_mode != UserListMode::NewUsers && list->readChangedRows(QLatin1String(kRightKey))))
        return;
    openList(key);
    sortLists();
    bindGrid();
}

void KeyUsers::rebuild()
{
    const QString key = keyNumber();
    buildTabs(key);
    m_mode =
        userListMode(m_state.SelectedUserTab, m_texts.NewUsersTabText, m_texts.AllUsersTabText);
    openList(key);
    sortLists();
    bindGrid();
    highlightTab();
    m_readKey = key;
    m_readOn = m_state.SharedConnection;
}

void KeyUsers::sortLists()
{
    // Only the lists that have been opened can be sorted; the other keeps its last rows.
    for (const auto &list : {m_views.adoListBrukereRS, m_views.adoNyeBrukereRS}) {
        if (list && list->isOpen())
            list->setSort(m_sortKey);
    }
}

void KeyUsers::buildTabs(const QString &key)
{
    // Every caption is read before the strip changes: a list that cannot be read leaves the
    // tabs as they were, not the first one alone.
    QStringList captions{m_texts.NewUsersTabText};
    // Kept open: followChanges asks it whether the tabs are still the unit's accounts.
    auto accounts = Recordset::open(connection(), QString::fromLatin1(kTabSource), {key});
    accounts->setSort(QStringLiteral("Konto, FirstRight"));
    captions << accountTabCaptions(*accounts);
    m_views.adoPrintBrukereRS = accounts;
    captions << m_texts.AllUsersTabText;
    m_captions = captions;
    if (QTabBar *tabs = m_controls.TabStrip1) {
        const QSignalBlocker blocker(tabs);
        while (tabs->count() > 0)
            tabs->removeTab(tabs->count() - 1);
        // An account such as "A&B" is text, not a mnemonic.
        for (const QString &c : captions)
            tabs->addTab(QString(c).replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

void KeyUsers::openList(const QString &key)
{
    switch (m_mode) {
    case UserListMode::NewUsers:
        m_views.adoNyeBrukereRS = Recordset::open(connection(), newUsersOfKeyQuery(), {key});
        break;
    case UserListMode::AllUsers:
        m_views.adoListBrukereRS = Recordset::open(
            connection(), QString::fromLatin1(kAllUsers) + QLatin1String(kRightOrder), {key});
        break;
    case UserListMode::Account:
    case UserListMode::Balance:
        m_views.adoListBrukereRS =
            Recordset::open(connection(),
                            QString::fromLatin1(kAllUsers) + QLatin1String(kAccountFilter) +
                                QLatin1String(kRightOrder),
                            {key, m_state.SelectedUserTab});
        break;
    }
    m_shown = shownList();
}

void KeyUsers::bindGrid()
{
    QTableView *grid = m_controls.DataGrid1;
    if (!grid)
        return;
    const auto list =
        m_mode == UserListMode::NewUsers ? m_views.adoNyeBrukereRS : m_views.adoListBrukereRS;
    m_rebinding = true;
    QAbstractItemModel *old = grid->model();
    auto *model = new UserGridModel(list, grid);
    // The right's key is the list's own, not the operator's.
    if (const int key = list->fieldIndex(QLatin1String(kRightKey)); key >= 0)
        model->showColumns(key);
    grid->setModel(model);
    if (old && old == m_model)
        old->deleteLater();
    m_model = model;
    // The grid's current row is the list's current row.
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, model,
                     [this, list](const QModelIndex &current) {
                         if (!current.isValid() || !list->isOpen())
                             return;
                         list->moveToRow(current.row());
                         if (!m_rebinding && m_rowChanged)
                             m_rowChanged();
                     });
    if (isBalanceTab(m_state.SelectedUserTab))
        defaultLayout();
    else
        layoutGrid();
    m_rebinding = false;
}

// The header keeps the widths of the list shown before across a new model; the balance list
// is shown in the grid's own widths.
void KeyUsers::defaultLayout()
{
    QHeaderView *header = m_controls.DataGrid1->horizontalHeader();
    for (int i = 0; i < header->count(); ++i)
        header->resizeSection(i, header->defaultSectionSize());
}

void KeyUsers::layoutGrid()
{
    QTableView *grid = m_controls.DataGrid1;
    auto *model = static_cast<UserGridModel *>(grid->model());
    const qreal dpi = grid->logicalDpiX();
    struct Column {
        int twips;
        QLabel *caption;
        bool centred;
    };
    const Column columns[] = {{1200, m_controls.NummerLBL, false},
                              {1600, m_controls.EtternavnLBL, false},
                              {1600, m_controls.FornavnLBL, false},
                              {1000, m_controls.DatoLBL1, false},
                              {600, nullptr, true},
                              {1000, m_controls.DatoLBL2, false},
                              {600, nullptr, true},
                              {900, m_controls.KontoLBL, false},
                              {0, m_controls.StatusLBL, false}};
    for (int i = 0; i < 9 && i < model->columnCount(); ++i) {
        const Column &c = columns[i];
        if (c.twips > 0)
            grid->horizontalHeader()->resizeSection(i, twipsToPixels(c.twips, dpi));
        if (c.caption)
            model->setCaption(i, c.caption->text());
        if (c.centred)
            model->setAlignment(i, Qt::AlignHCenter);
    }
}

void KeyUsers::highlightTab()
{
    QTabBar *tabs = m_controls.TabStrip1;
    if (!tabs || m_captions.isEmpty())
        return;
    int index = m_captions.size() - 1;
    if (m_mode == UserListMode::NewUsers) {
        index = 0;
    } else if (m_mode == UserListMode::Account || m_mode == UserListMode::Balance) {
        for (int i = 1; i < m_captions.size() - 1; ++i) {
            if (sameText(m_captions[i], m_state.SelectedUserTab)) {
                index = i;
                break;
            }
        }
    }
    const QSignalBlocker blocker(tabs);
    tabs->setCurrentIndex(index);
}

} // namespace portiva
