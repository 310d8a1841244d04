#pragma once

class QWidget;

namespace fetchly {

// SIGTERM, SIGINT and SIGHUP close `window` the normal way (through the event
// loop), so whatever closing it saves is saved.
void CloseOnTerminationSignals(QWidget *window);

} // namespace fetchly
