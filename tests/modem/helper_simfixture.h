#pragma once

#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tools/modemsim/ModemSim.h"

namespace portiva::test
{

// What every simulator test starts from: boxes answered by script, a fresh database, and a
// simulator on a free loopback port running twenty times faster than a real modem.
struct SimFixture {
    ScriptedDialogs dialogs;
    TestDatabase db;
    modemsim::ModemSim sim;

    bool start()
    {
        sim.setTimescale(0.05);
        return sim.listen(0);
    }
};

} // namespace portiva::test
