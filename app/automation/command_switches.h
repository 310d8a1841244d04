#pragma once

#include <QStringList>

namespace fetchly::automation {

// The automation switches of the program's command line. Each is recognised
// with a leading "-" or "/" and in any letter case; other arguments are left
// to the rest of the program.
struct TServerSwitches {
    bool regServer = false;   // write the activation file, then end
    bool unregServer = false; // remove the activation file, then end
    bool automation = false;  // started for a client (-AUTOMATION, -EMBEDDING)
};

TServerSwitches ParseServerSwitches(const QStringList &arguments);

} // namespace fetchly::automation
