#pragma once

#include <QString>
#include <functional>
#include <map>

class QWidget;

namespace portiva
{

struct AppState;

// The windows the main window's menus open, a new instance for every click.
enum class WindowKind {
    frmBrukere,
    frmKEY,
    frmLOGG,
    frmKeyProperties,
    frmPassword,
    frmSMSSent,
    frmSMSReceived,
    frmLanguage,
    frmPrintBrukere,
    frmPrintKatalog,
    frmPrintLogg,
    frmPrintKEY,
};

QString windowKindName(WindowKind kind);

class WindowFactory
{
public:
    virtual ~WindowFactory() = default;
    // A new, independent, loaded window without a parent, or nullptr when this program has no
    // such window. A load that fails throws; no half-built window is returned.
    virtual QWidget *create(WindowKind kind) = 0;
};

// The program's windows, each registered by the subsystem that builds it.
class ProgramWindowFactory : public WindowFactory
{
public:
    using Creator = std::function<QWidget *(AppState &)>;

    explicit ProgramWindowFactory(AppState &state);
    void add(WindowKind kind, Creator creator) { m_creators[kind] = std::move(creator); }
    QWidget *create(WindowKind kind) override;

private:
    AppState &m_state;
    std::map<WindowKind, Creator> m_creators;
};

} // namespace portiva
