#include "records/frmLOGG.h"

#include "platform/db/Recordset.h"
#include "programstate/AppState.h"
#include "records/frmLOGGRequest.h"

#include <QPushButton>
#include <QTimer>

namespace portiva
{

namespace
{

QList<RecordColumn> logColumns()
{
    return {
        {QString::fromUtf8("Dør"), 128, 0, QStringLiteral("keynummer")},
        {QStringLiteral("Bruker"), 122, 0, QStringLiteral("keyuser")},
        {QStringLiteral("Dato"), 113, 0, QStringLiteral("Dato")},
        {QStringLiteral("Fornavn"), 114, 0, QStringLiteral("fornavn")},
        {QStringLiteral("Etternavn"), 115, 0, QStringLiteral("Etternavn")},
    };
}

constexpr RecordWindow::Features logFeatures =
    RecordWindow::DeleteButton | RecordWindow::HeaderSort | RecordWindow::ReloadTimer |
    RecordWindow::KeyNavigation | RecordWindow::Translated | RecordWindow::FirstRowOnLoad |
    RecordWindow::ClearsReloadFlag;

} // namespace

frmLOGG::frmLOGG(AppState &state)
    : RecordWindow(state, QStringLiteral("frmLOGG"), logFeatures, logColumns())
{
    setWindowTitle(QStringLiteral("frmLOGG"));
    const struct {
        QPushButton **button;
        const char *name;
        const char *count;
        int row;
    } requests[] = {
        {&Command1, "Command1", "5", 132},   {&Command2, "Command2", "10", 133},
        {&Command3, "Command3", "25", 134},  {&Command4, "Command4", "50", 135},
        {&Command5, "Command5", "100", 136},
    };
    for (const auto &r : requests) {
        auto *button = new QPushButton(QStringLiteral("Hent LOGG(%1)").arg(QLatin1String(r.count)));
        button->setObjectName(QLatin1String(r.name));
        addButton(button);
        addLanguageTarget(r.row, button);
        const QString text = QStringLiteral("r") + QLatin1String(r.count);
        connect(button, &QPushButton::clicked, this, [this, text] { RequestLog(text); });
        *r.button = button;
    }
}

std::shared_ptr<Recordset> frmLOGG::openRecordsets(const std::shared_ptr<Connection> &c)
{
    return Recordset::open(c,
                           QStringLiteral("SELECT KeyNummer, KeyUser, Dato, Fornavn, Etternavn "
                                          "FROM LOGGData WHERE KeyNummer = ?"),
                           {state().SelectedKeyNummer});
}

void frmLOGG::RequestLog(const QString &text)
{
    const bool queued = guardedAction([this, &text] {
        QueueLogRequest(connection(), text, state().SelectedKeyNummer, state().SelectedKeyName);
    });
    // The answer comes as a received SMS, which asks the open windows to reload.
    if (queued && !Timer1->isActive())
        Timer1->start();
}

} // namespace portiva
