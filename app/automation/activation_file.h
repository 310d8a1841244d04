#pragma once

#include <QString>

namespace fetchly::automation {

// The D-Bus activation file, $XDG_DATA_HOME/dbus-1/services/
// OrvFetchly.TUrlAdder.service: the session bus starts the program from it
// (with -AUTOMATION) when a client calls the service while it is not running.
QString ActivationFilePath();

// The file's whole text for a program at `programPath` (absolute).
QString ActivationFileText(const QString &programPath);

// Writes the file (creating its folders), replacing it atomically. Throws
// std::runtime_error with a message when it cannot be written.
void WriteActivationFile(const QString &programPath);

// Removes the file; a missing file is fine. Throws std::runtime_error when an
// existing file cannot be removed.
void RemoveActivationFile();

} // namespace fetchly::automation
