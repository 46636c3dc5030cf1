#pragma once

#include "records/RecordWindow.h"

namespace portiva
{

// The access log of the key unit in view, with five buttons that ask the unit for its latest
// entries. From the first request on, the window reloads when received SMS ask for it.
class frmLOGG : public RecordWindow
{
    Q_OBJECT
public:
    explicit frmLOGG(AppState &state);

    // Queues the request to the unit selected now (not the one the grid shows) and starts the
    // reload timer. A failure is shown and queues nothing.
    void RequestLog(const QString &text);

    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;

protected:
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override;
    QString fixedSort() const override { return QStringLiteral("Dato"); }
};

} // namespace portiva
