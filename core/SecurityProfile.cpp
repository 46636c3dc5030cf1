#include "core/SecurityProfile.h"

#include <QAction>
#include <QObject>
#include <QWidget>
#include <array>

namespace portiva
{

namespace
{

enum Cell : char { Hide = 'h', Show = 's', Keep = '-' };

struct Row {
    const char *name;
    std::array<Cell, 5> cells; // "7", "6", "5", "4", any other level
};

// clang-format off
const Row kProfileTable[] = {
    {"CmdSMSDoor",                {Hide, Show, Show, Show, Hide}},
    {"CommandSendSMS",            {Hide, Show, Show, Show, Hide}},
    {"mnuDatafrmPassWords",       {Hide, Show, Hide, Show, Hide}},
    {"mnuDatafrmKey",             {Hide, Keep, Keep, Keep, Keep}},
    {"mnuDatafrmKeyOppsett",      {Keep, Show, Show, Hide, Hide}},
    {"mnuComPort",                {Hide, Show, Show, Show, Hide}},
    {"mnuSpråk",                  {Hide, Show, Show, Show, Hide}},
    {"mnuFileDatabase",           {Show, Show, Show, Show, Hide}},
    {"mnuFileCompactDatabase",    {Keep, Keep, Keep, Show, Hide}},
    {"mnuDatafrmKeyLogg",         {Keep, Show, Show, Hide, Hide}},
    {"mnuFilePrintLogg",          {Keep, Show, Show, Hide, Hide}},
    {"mnuFilePrintKEY",           {Keep, Show, Show, Show, Hide}},
    {"mnuSMSSendingsbekreftelse", {Keep, Show, Show, Hide, Hide}},
    {"SMSIDLBL",                  {Hide, Show, Show, Show, Hide}},
    {"SMSFROMLBL",                {Hide, Show, Show, Show, Hide}},
    {"SMSDATELBL",                {Hide, Show, Show, Show, Hide}},
    {"lblInnkommendeSMS",         {Hide, Show, Show, Show, Hide}},
    {"SMSTXTLBL",                 {Show, Show, Show, Show, Hide}},
    {"UpDown2",                   {Hide, Show, Show, Show, Hide}},
    {"SMSRectxt(0)",              {Hide, Show, Show, Show, Hide}},
    {"SMSRectxt(1)",              {Hide, Show, Show, Show, Hide}},
    {"SMSRectxt(2)",              {Hide, Show, Show, Show, Hide}},
    {"SMSRectxt(3)",              {Hide, Show, Show, Show, Hide}},
    {"SMSRectxt(4)",              {Hide, Show, Show, Show, Hide}},
};
// clang-format on

int columnFor(const QString &level)
{
    static const QString levels[] = {QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5"),
                                     QStringLiteral("4")};
    for (int i = 0; i < 4; ++i) {
        if (level.compare(levels[i], Qt::CaseInsensitive) == 0)
            return i;
    }
    return 4;
}

} // namespace

SecurityProfile profileFor(const QString &level)
{
    const int column = columnFor(level);
    SecurityProfile profile;
    for (const Row &row : kProfileTable) {
        const Cell cell = row.cells[column];
        std::optional<bool> visible;
        if (cell != Keep)
            visible = cell == Show;
        profile.emplace_back(QString::fromUtf8(row.name), visible);
    }
    return profile;
}

QStringList securityControlledNames()
{
    QStringList names;
    for (const Row &row : kProfileTable)
        names << QString::fromUtf8(row.name);
    return names;
}

void applySecurityProfile(QObject *window, const QString &level)
{
    for (const auto &[name, visible] : profileFor(level)) {
        if (!visible)
            continue;
        // A submenu is reached through its menu action, which carries the submenu's name.
        if (auto *action = window->findChild<QAction *>(name))
            action->setVisible(*visible);
        else if (auto *widget = window->findChild<QWidget *>(name))
            widget->setVisible(*visible);
    }
}

} // namespace portiva
