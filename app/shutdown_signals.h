#pragma once

class QWidget;

namespace fetchly {

// SIGTERM, SIGINT and SIGHUP close `window` the normal way (through the event
// loop) and end the application's event loop, whether or not the window is
// shown, so whatever closing it and the end of the program save is saved.
void CloseOnTerminationSignals(QWidget *window);

} // namespace fetchly
