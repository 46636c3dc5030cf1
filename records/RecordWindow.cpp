#include "records/RecordWindow.h"

#include "modem/DatabaseWatch.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/CountingScope.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"
#include "programstate/LanguageTable.h"
#include "programstate/Phrase.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace portiva
{

namespace
{

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

RecordWindow::RecordWindow(AppState &state, const QString &name, Features features,
                           QList<RecordColumn> columns)
    : m_state(state), m_features(features), m_columns(std::move(columns))
{
    setObjectName(name);
    resize(760, 480);
    buildControls();
    if (m_features & Translated) {
        addLanguageTarget(108, cmdClose);
        if (cmdRefresh)
            addLanguageTarget(109, cmdRefresh);
        if (cmdDelete)
            addLanguageTarget(110, cmdDelete);
    }
    if (m_features & ReloadTimer) {
        Timer1 = new QTimer(this);
        Timer1->setObjectName(QStringLiteral("Timer1"));
        Timer1->setInterval(reloadIntervalMs);
        connect(Timer1, &QTimer::timeout, this, &RecordWindow::Timer1_Timer);
    }
}

RecordWindow::~RecordWindow() = default;

void RecordWindow::buildControls()
{
    m_layout = new QVBoxLayout(this);

    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    m_buttonLayout = new QHBoxLayout(picButtons);
    m_buttonLayout->setContentsMargins(0, 0, 0, 0);
    if (m_features & DeleteButton) {
        cmdDelete = makeButton(picButtons, "cmdDelete", QStringLiteral("&Slett"));
        m_buttonLayout->addWidget(cmdDelete);
        connect(cmdDelete, &QPushButton::clicked, this, &RecordWindow::cmdDelete_Click);
    }
    if (m_features & RefreshButton) {
        cmdRefresh = makeButton(picButtons, "cmdRefresh", QStringLiteral("&Oppdater"));
        m_buttonLayout->addWidget(cmdRefresh);
        connect(cmdRefresh, &QPushButton::clicked, this, &RecordWindow::cmdRefresh_Click);
    }
    cmdClose = makeButton(picButtons, "cmdClose", QStringLiteral("&Avslutt"));
    m_buttonLayout->addWidget(cmdClose);
    m_buttonLayout->addStretch(1);
    connect(cmdClose, &QPushButton::clicked, this, &RecordWindow::cmdClose_Click);
    m_layout->addWidget(picButtons);

    grdDataGrid = new DataGrid(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    grdDataGrid->setAllowDelete(false);
    m_layout->addWidget(grdDataGrid, 1);
    m_gridIndex = m_layout->indexOf(grdDataGrid);
    connect(grdDataGrid, &DataGrid::headClick, this, &RecordWindow::grdDataGrid_HeadClick);
    connect(grdDataGrid, &DataGrid::writeFailed, this, &RecordWindow::onFailureTold);
    connect(grdDataGrid, &DataGrid::rowColChange, this,
            [this] { guardedAction([this] { onCurrentRowChanged(); }); });

    picStatBox = new QWidget(this);
    picStatBox->setObjectName(QStringLiteral("picStatBox"));
    auto *status = new QHBoxLayout(picStatBox);
    status->setContentsMargins(0, 0, 0, 0);
    cmdFirst = makeButton(picStatBox, "cmdFirst", QStringLiteral("|<"));
    cmdPrevious = makeButton(picStatBox, "cmdPrevious", QStringLiteral("<"));
    lblStatus = new QLabel(picStatBox);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    cmdNext = makeButton(picStatBox, "cmdNext", QStringLiteral(">"));
    cmdLast = makeButton(picStatBox, "cmdLast", QStringLiteral(">|"));
    status->addWidget(cmdFirst);
    status->addWidget(cmdPrevious);
    status->addWidget(lblStatus, 1);
    status->addWidget(cmdNext);
    status->addWidget(cmdLast);
    connect(cmdFirst, &QPushButton::clicked, this, &RecordWindow::cmdFirst_Click);
    connect(cmdPrevious, &QPushButton::clicked, this, &RecordWindow::cmdPrevious_Click);
    connect(cmdNext, &QPushButton::clicked, this, &RecordWindow::cmdNext_Click);
    connect(cmdLast, &QPushButton::clicked, this, &RecordWindow::cmdLast_Click);
    m_layout->addWidget(picStatBox);

    // One filter sees every key first, wherever focus is, so each key acts once.
    installEventFilter(this);
    grdDataGrid->installEventFilter(this);
    for (QPushButton *b :
         {cmdDelete, cmdRefresh, cmdClose, cmdFirst, cmdPrevious, cmdNext, cmdLast}) {
        if (b)
            b->installEventFilter(this);
    }
}

// ---------------------------------------------------------------- helpers for windows

void RecordWindow::addLanguageTarget(int row, QString *text)
{
    addLanguageTarget(row, [text](const QString &t) { *text = t; });
}

void RecordWindow::addLanguageTarget(int row, QAbstractButton *button)
{
    addLanguageTarget(row, [button](const QString &t) { button->setText(t); });
}

void RecordWindow::addLanguageTarget(int row, QLabel *label)
{
    addLanguageTarget(row, [label](const QString &t) { label->setText(t); });
}

void RecordWindow::addLanguageTarget(int row, std::function<void(const QString &)> apply)
{
    // Each row occurs once per window: a later target for the same row replaces the earlier.
    for (LanguageTarget &t : m_targets) {
        if (t.row == row) {
            t.apply = std::move(apply);
            return;
        }
    }
    m_targets.append({row, std::move(apply)});
}

void RecordWindow::addButton(QPushButton *button)
{
    button->setParent(picButtons);
    m_buttonLayout->insertWidget(m_buttonLayout->count() - 1, button);
    button->installEventFilter(this);
}

void RecordWindow::addAboveGrid(QWidget *widget)
{
    m_layout->insertWidget(m_gridIndex, widget);
    ++m_gridIndex;
}

void RecordWindow::addBelowGrid(QWidget *widget)
{
    m_layout->insertWidget(m_layout->indexOf(picStatBox), widget);
}

QString RecordWindow::captionText(int column) const
{
    return m_captions.value(column);
}

Dialogs::Answer RecordWindow::showMessage(const QString &text, Dialogs::Buttons buttons,
                                          const QString &title)
{
    CountingScope open(m_boxesOpen);
    return dialogs().msgBox(text, buttons, title);
}

bool RecordWindow::guardedAction(const std::function<void()> &fn)
{
    try {
        fn();
        return true;
    } catch (const std::exception &e) {
        showMessage(errorDescription(e));
    }
    return false;
}

// A row the grid could not write, or a list whose read ended early: told in the database's
// own words.
void RecordWindow::onFailureTold(const QString &description)
{
    showMessage(description);
}

// ---------------------------------------------------------------- load

void RecordWindow::ApplyLanguage()
{
    if (!(m_features & Translated))
        return;
    const QString column = LanguageTable::columnFor(m_state.CountryCode);
    if (column.isEmpty())
        return;
    const LanguageTable::Texts texts =
        LanguageTable::load(m_state.SharedConnection, m_state.CountryCode);
    for (int i = 0; i < m_columns.size(); ++i) {
        const int row = m_columns[i].languageRow;
        if (row > 0 && row < int(texts.size()) && texts[size_t(row)])
            m_captions[i] = *texts[size_t(row)];
    }
    for (const LanguageTarget &t : std::as_const(m_targets)) {
        if (t.row > 0 && t.row < int(texts.size()) && texts[size_t(t.row)])
            t.apply(*texts[size_t(t.row)]);
    }
}

void RecordWindow::Form_Load()
{
    // An edit still pending on the rows shown is written first; one the database refuses has
    // been reported and dropped, and the window stays as it is, showing the stored row.
    if (!grdDataGrid->recordsetModel()->commitPending())
        return;
    m_captions.clear();
    for (const RecordColumn &c : std::as_const(m_columns))
        m_captions << c.caption;
    setDefaultTexts();
    ApplyLanguage();
    if ((m_features & HeaderSort) && m_sortField.isEmpty())
        m_sortField = defaultSortField();

    // Built aside and swapped in only once both opened.
    std::shared_ptr<Connection> connection = Connection::open(m_state.ConnectionString);
    std::shared_ptr<Recordset> rs = openRecordsets(connection);
    // A list read in its sort order already (a streamed one) is not sorted again: a sort would
    // wait for every row.
    const QString sort = fixedSort();
    if (!sort.isEmpty() && rs->Sort() != sort)
        rs->setSort(sort);
    if ((m_features & FirstRowOnLoad) && !(rs->EOF() && rs->BOF()))
        rs->MoveFirst();
    bindRecordset(std::move(connection), std::move(rs));

    if (m_features & ClearsReloadFlag)
        m_state.ReloadRequested = false;
    if (Timer1 && (m_features & TimerFromLoad))
        Timer1->start();
    afterLoad();
}

void RecordWindow::bindRecordset(std::shared_ptr<Connection> connection,
                                 std::shared_ptr<Recordset> rs)
{
    if (!grdDataGrid->setRecordset(rs)) {
        // The edit pending on the rows shown so far could not be written (already shown):
        // they stay, with the edit.
        throw Error(phrase(u"Endringen i raden ble ikke lagret, så listen er ikke lest på nytt.",
                           u"Ændringen i rækken blev ikke gemt, så listen er ikke læst igen.",
                           u"Ändringen i raden sparades inte, så listan har inte lästs om."));
    }
    if (m_rs)
        disconnect(m_rs.get(), nullptr, this, nullptr);
    m_connection = std::move(connection);
    m_rs = std::move(rs);
    connect(m_rs.get(), &Recordset::currentChanged, this, &RecordWindow::onMoveComplete);
    connect(m_rs.get(), &Recordset::reset, this, &RecordWindow::onMoveComplete);
    // A list that failed to read its rest shows the rows it read and says why it ends there.
    connect(m_rs.get(), &Recordset::readFailed, this, &RecordWindow::onFailureTold);
    applyGridPermissions();
    layoutColumns();
    onMoveComplete();
}

void RecordWindow::applyGridPermissions()
{
    const GridPermissions p = gridPermissions();
    RecordsetModel *model = grdDataGrid->recordsetModel();
    model->setAllowAddNew(p.add);
    model->setAllowUpdate(p.edit);
    model->setAllowDelete(false);
    for (int i = 0; i < model->columnCount(); ++i) {
        RecordsetModel::ColumnEdit edit = RecordsetModel::ColumnEdit::Always;
        if (p.readOnlyColumns.contains(i))
            edit = RecordsetModel::ColumnEdit::Never;
        else if (p.newRowOnlyColumns.contains(i))
            edit = RecordsetModel::ColumnEdit::NewRowOnly;
        model->setColumnEdit(i, edit);
    }
}

void RecordWindow::layoutColumns()
{
    const int count = grdDataGrid->columnCount();
    bool wrap = false;
    for (int i = 0; i < m_columns.size() && i < count; ++i) {
        const RecordColumn &c = m_columns[i];
        if (c.widthTwips > 0)
            grdDataGrid->setColumnWidthTwips(i, c.widthTwips);
        grdDataGrid->setColumnHidden(i, c.hidden);
        wrap = wrap || c.wordWrap;
    }
    grdDataGrid->setWordWrap(wrap);
    for (int i = 0; i < m_columns.size() && i < count; ++i) {
        if (m_columns[i].fieldNameHeading)
            grdDataGrid->setColumnCaption(i, QString());
        else if (m_captions[i].isEmpty())
            // The model shows the field name for an empty heading; this column's heading is
            // meant to read as nothing.
            grdDataGrid->setColumnCaption(i, QStringLiteral(" "));
        else
            grdDataGrid->setColumnCaption(i, m_captions[i]);
    }
}

// ---------------------------------------------------------------- entries

void RecordWindow::onMoveComplete()
{
    guardedAction([this] {
        if (!m_rs)
            return;
        lblStatus->setText(QStringLiteral("Record: ") + QString::number(m_rs->AbsolutePosition()));
        onPositionChanged();
    });
}

void RecordWindow::frameDelete()
{
    if (!m_rs)
        throw Error(noCurrentRowText());
    if (!grdDataGrid->recordsetModel()->deleteCurrent())
        return;
    if (!m_rs->EOF() && !m_rs->BOF())
        m_rs->MoveNext();
}

void RecordWindow::deleteCurrentRow()
{
    frameDelete();
}

void RecordWindow::cmdDelete_Click()
{
    guardedAction([this] {
        if (!grdDataGrid->recordsetModel()->commitPending())
            return;
        if (!canDelete())
            return;
        deleteCurrentRow();
        afterDelete();
    });
}

void RecordWindow::cmdRefresh_Click()
{
    guardedAction([this] {
        RecordsetModel *model = grdDataGrid->recordsetModel();
        if (!model->commitPending())
            return;
        beforeRefresh();
        if (!model->refresh())
            return;
        layoutColumns();
        afterRefresh();
    });
}

void RecordWindow::cmdClose_Click()
{
    close();
}

void RecordWindow::cmdFirst_Click()
{
    guardedAction([this] {
        if (m_rs && grdDataGrid->recordsetModel()->commitPending())
            m_rs->MoveFirst();
    });
}

void RecordWindow::cmdLast_Click()
{
    guardedAction([this] {
        if (m_rs && grdDataGrid->recordsetModel()->commitPending())
            m_rs->MoveLast();
    });
}

void RecordWindow::cmdNext_Click()
{
    guardedAction([this] {
        if (!m_rs || !grdDataGrid->recordsetModel()->commitPending())
            return;
        if (!m_rs->EOF())
            m_rs->MoveNext();
        if (m_rs->EOF() && m_rs->RecordCount() > 0) {
            dialogs().beep();
            m_rs->MoveLast();
        }
    });
}

void RecordWindow::cmdPrevious_Click()
{
    guardedAction([this] {
        if (!m_rs || !grdDataGrid->recordsetModel()->commitPending())
            return;
        if (!m_rs->BOF())
            m_rs->MovePrevious();
        if (m_rs->BOF() && m_rs->RecordCount() > 0) {
            dialogs().beep();
            m_rs->MoveFirst();
        }
    });
}

void RecordWindow::grdDataGrid_HeadClick(int column)
{
    if (!(m_features & HeaderSort))
        return;
    guardedAction([this, column] {
        if (column >= 0 && column < m_columns.size() && !m_columns[column].sortField.isEmpty())
            m_sortField = m_columns[column].sortField;
        if (!m_rs || !grdDataGrid->recordsetModel()->commitPending())
            return;
        grdDataGrid->clearSelection();
        m_rs->setSort(m_sortField);
    });
}

void RecordWindow::Timer1_Timer()
{
    if (m_boxesOpen > 0 || !m_state.ReloadRequested)
        return;
    try {
        Connection::BusyBudget budget(DatabaseWatch::tickBudgetMs);
        if (grdDataGrid->recordsetModel()->commitPending())
            Form_Load();
    } catch (const std::exception &e) {
        // Another workstation's lock passes: the window stays as it is, the next tick reloads.
        if (isLockFailure(e))
            return;
        showMessage(errorDescription(e));
    }
    m_state.ReloadRequested = false;
}

void RecordWindow::reload()
{
    guardedAction([this] {
        if (grdDataGrid->recordsetModel()->commitPending())
            Form_Load();
    });
}

void RecordWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        if (Timer1)
            Timer1->stop();
        // A pending edit is written (a failure is shown); closing never cancels.
        if (m_rs)
            disconnect(m_rs.get(), nullptr, this, nullptr);
        grdDataGrid->recordsetModel()->close();
        m_rs.reset();
        m_connection.reset();
    }
    event->accept();
}

// ---------------------------------------------------------------- keys

bool RecordWindow::keysInactive() const
{
    const QWidget *focus = QApplication::focusWidget();
    // A cell editor lives inside the grid.
    if (focus && focus != grdDataGrid && grdDataGrid->isAncestorOf(focus))
        return true;
    return qobject_cast<const QLineEdit *>(focus) || qobject_cast<const QTextEdit *>(focus) ||
           qobject_cast<const QPlainTextEdit *>(focus) ||
           qobject_cast<const QAbstractSpinBox *>(focus);
}

bool RecordWindow::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrlAlone = mods == Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        cmdClose_Click();
        return true;
    case Qt::Key_End:
        cmdLast_Click();
        return true;
    case Qt::Key_Home:
        cmdFirst_Click();
        return true;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        ctrlAlone ? cmdFirst_Click() : cmdPrevious_Click();
        return true;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        ctrlAlone ? cmdLast_Click() : cmdNext_Click();
        return true;
    default:
        return false;
    }
}

bool RecordWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (m_features & KeyNavigation) && !keysInactive()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (handleKey(key->key(), key->modifiers()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace portiva
