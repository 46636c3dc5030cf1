#include "core/mainwindow/WindowFactory.h"

#include "admin/frmKeyProperties.h"
#include "records/frmBrukere.h"
#include "records/frmKEY.h"
#include "records/frmLOGG.h"
#include "records/frmLanguage.h"
#include "records/frmPassword.h"
#include "records/frmPrintBrukere.h"
#include "records/frmPrintKEY.h"
#include "records/frmPrintKatalog.h"
#include "records/frmPrintLogg.h"
#include "records/frmSMSReceived.h"
#include "records/frmSMSSent.h"

namespace portiva
{

QString windowKindName(WindowKind kind)
{
    switch (kind) {
    case WindowKind::frmBrukere:
        return QStringLiteral("frmBrukere");
    case WindowKind::frmKEY:
        return QStringLiteral("frmKEY");
    case WindowKind::frmLOGG:
        return QStringLiteral("frmLOGG");
    case WindowKind::frmKeyProperties:
        return QStringLiteral("frmKeyProperties");
    case WindowKind::frmPassword:
        return QStringLiteral("frmPassword");
    case WindowKind::frmSMSSent:
        return QStringLiteral("frmSMSSent");
    case WindowKind::frmSMSReceived:
        return QStringLiteral("frmSMSReceived");
    case WindowKind::frmLanguage:
        return QStringLiteral("frmLanguage");
    case WindowKind::frmPrintBrukere:
        return QStringLiteral("frmPrintBrukere");
    case WindowKind::frmPrintKatalog:
        return QStringLiteral("frmPrintKatalog");
    case WindowKind::frmPrintLogg:
        return QStringLiteral("frmPrintLogg");
    case WindowKind::frmPrintKEY:
        return QStringLiteral("frmPrintKEY");
    }
    return QString();
}

ProgramWindowFactory::ProgramWindowFactory(AppState &state) : m_state(state)
{
    add(WindowKind::frmKeyProperties, [](AppState &s) { return new frmKeyProperties(s); });
    add(WindowKind::frmPrintBrukere, &ReportWindow::loaded<frmPrintBrukere>);
    add(WindowKind::frmPrintKatalog, &ReportWindow::loaded<frmPrintKatalog>);
    add(WindowKind::frmPrintLogg, &ReportWindow::loaded<frmPrintLogg>);
    add(WindowKind::frmPrintKEY, &ReportWindow::loaded<frmPrintKEY>);
    add(WindowKind::frmBrukere, &RecordWindow::loaded<frmBrukere>);
    add(WindowKind::frmSMSReceived, &RecordWindow::loaded<frmSMSReceived>);
    add(WindowKind::frmPassword, &RecordWindow::loaded<frmPassword>);
    add(WindowKind::frmLanguage, &RecordWindow::loaded<frmLanguage>);
    add(WindowKind::frmKEY, &RecordWindow::loaded<frmKEY>);
    add(WindowKind::frmSMSSent, &RecordWindow::loaded<frmSMSSent>);
    add(WindowKind::frmLOGG, &RecordWindow::loaded<frmLOGG>);
}

QWidget *ProgramWindowFactory::create(WindowKind kind)
{
    const auto it = m_creators.find(kind);
    return it == m_creators.end() ? nullptr : it->second(m_state);
}

} // namespace portiva
