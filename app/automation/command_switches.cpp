#include "app/automation/command_switches.h"

namespace fetchly::automation {

TServerSwitches ParseServerSwitches(const QStringList &arguments)
{
    TServerSwitches result;
    // The first argument is the program itself.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg.size() < 2 || (arg[0] != u'-' && arg[0] != u'/'))
            continue;
        const QString name = arg.mid(1);
        auto is = [&](const char *word) {
            return name.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
        };
        if (is("REGSERVER"))
            result.regServer = true;
        else if (is("UNREGSERVER"))
            result.unregServer = true;
        else if (is("AUTOMATION") || is("EMBEDDING"))
            result.automation = true;
    }
    return result;
}

} // namespace fetchly::automation
