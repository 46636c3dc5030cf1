#include "records/ReportWindow.h"

#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"
#include "programstate/LanguageTable.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace portiva
{

ReportWindow::ReportWindow(AppState &state, const QString &name, const QString &designedCaption,
                           QList<ReportColumn> columns)
    : m_state(state), m_columns(std::move(columns))
{
    setObjectName(name);
    setWindowTitle(designedCaption);
    resize(780, 520);

    auto *layout = new QVBoxLayout(this);
    m_choosers = new QHBoxLayout;
    layout->addLayout(m_choosers);
    DataGrid1 = new DataGrid(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAllowAddNew(false);
    DataGrid1->setAllowUpdate(false);
    DataGrid1->setAllowDelete(false);
    layout->addWidget(DataGrid1, 1);

    Command1 = new QPushButton(QStringLiteral("SKRIV UT"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    m_choosers->addStretch(1);
    m_choosers->addWidget(Command1, 0, Qt::AlignBottom);
    addLanguageTarget(141, Command1);
    connect(Command1, &QPushButton::clicked, this, &ReportWindow::Command1_Click);
}

ReportWindow::~ReportWindow()
{
    // The base destructor hides the window, which moves focus out of a box's edit field; by
    // then this window's part is gone and must hear nothing of it.
    for (QComboBox *box : findChildren<QComboBox *>()) {
        disconnect(box, nullptr, this, nullptr);
        if (QLineEdit *edit = box->lineEdit()) {
            disconnect(edit, nullptr, this, nullptr);
            edit->removeEventFilter(this);
        }
    }
}

QComboBox *ReportWindow::addChooser(const QString &comboName, QLabel *&label,
                                    const QString &labelName, const QString &labelText)
{
    auto *column = new QVBoxLayout;
    label = new QLabel(labelText, this);
    label->setObjectName(labelName);
    auto *box = new QComboBox(this);
    box->setObjectName(comboName);
    // The box turns a typed text that names an entry into a choice when the edit field loses
    // focus; typing is never a choice here. These two handlers bracket the box's own handler
    // of that moment, since slots run in the order they were connected.
    auto *edit = new QLineEdit(box);
    connect(edit, &QLineEdit::editingFinished, this, [this] { ++m_leavingEdit; });
    box->setLineEdit(edit);
    connect(edit, &QLineEdit::editingFinished, this, [this] { --m_leavingEdit; });
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(14);
    column->addWidget(label);
    column->addWidget(box);
    // Before the stretch and the print button.
    m_choosers->insertLayout(m_choosers->count() - 2, column);
    connect(box, &QComboBox::activated, this, &ReportWindow::onChoice);
    box->lineEdit()->installEventFilter(this);
    return box;
}

void ReportWindow::addLanguageTarget(int row, QLabel *label)
{
    m_targets.append({row, label, nullptr});
}

void ReportWindow::addLanguageTarget(int row, QPushButton *button)
{
    m_targets.append({row, nullptr, button});
}

void ReportWindow::Form_Load()
{
    if (!m_state.SharedConnection)
        throw Error(closedConnectionText());
    m_captionTexts.clear();
    for (const ReportColumn &c : m_columns)
        m_captionTexts << c.caption;
    ApplyLanguage();
    fillBoxes();
    rebuildList();
    afterLoad();
}

void ReportWindow::ApplyLanguage()
{
    const LanguageTable::Texts texts =
        LanguageTable::load(m_state.SharedConnection, m_state.CountryCode);
    for (int i = 0; i < m_columns.size(); ++i) {
        if (const auto &text = texts[m_columns[i].languageRow])
            m_captionTexts[i] = *text;
    }
    for (const LanguageTarget &t : m_targets) {
        const auto &text = texts[t.row];
        if (!text)
            continue;
        if (t.label)
            t.label->setText(*text);
        else
            t.button->setText(*text);
    }
}

void ReportWindow::onChoice()
{
    if (m_leavingEdit > 0)
        return;
    guarded([this] { rebuildList(); });
}

QString ReportWindow::orderBy(const QComboBox *sortBox) const
{
    QStringList fields;
    for (const ReportColumn &c : m_columns)
        fields << c.field;
    return orderByTerm(sortBox->currentText(), fields);
}

std::shared_ptr<Recordset> ReportWindow::openList(const ListQuery &query) const
{
    return openRows(query.sql, query.params);
}

std::shared_ptr<Recordset> ReportWindow::openRows(const QString &sql,
                                                  const QVariantList &params) const
{
    if (!m_state.SharedConnection)
        throw Error(closedConnectionText());
    return Recordset::open(m_state.SharedConnection, sql, params);
}

void ReportWindow::bind(const std::shared_ptr<Recordset> &rows, int widthColumns)
{
    DataGrid1->setRecordset(rows);
    layoutColumns(widthColumns);
}

void ReportWindow::layoutColumns(int widthColumns)
{
    for (int i = 0; i < widthColumns && i < m_columns.size(); ++i) {
        if (m_columns[i].widthTwips > 0)
            DataGrid1->setColumnWidthTwips(i, m_columns[i].widthTwips);
    }
    for (int i = 0; i < m_captionTexts.size() && i < DataGrid1->columnCount(); ++i)
        DataGrid1->setColumnCaption(i, m_captionTexts[i]);
}

void ReportWindow::fillBox(QComboBox *box, const QStringList &entries, const QString &text)
{
    box->clear();
    box->addItems(entries);
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    box->setEditText(text);
}

void ReportWindow::Command1_Click()
{
    guarded([this] {
        const std::shared_ptr<Recordset> rows = printedRecordset();
        if (rows)
            ReportPrinter.print(printJob(), *rows, *DataGrid1);
    });
}

// Only a choice from the list rebuilds it; Enter in a box's text would otherwise count as one
// when the typed text happens to match an entry.
bool ReportWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ReportWindow::closeEvent(QCloseEvent *event)
{
    ReportPrinter.reset();
    QWidget::closeEvent(event);
}

} // namespace portiva
