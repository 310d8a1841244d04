#pragma once

#include "app/core/download_board.h"

#include <string>
#include <string_view>

namespace fetchly {

// The SHA-256 that ends the report of an entry's file: the one its download
// computed in this session, else the one the file's record keeps from an
// earlier download, while the file is still as that download left it; ""
// when neither is known. Meant for where the report is built, off the UI
// thread: it reads the record and stats the file, never the file's bytes.
std::string ReportSha256(const TDownloadedFile &file, std::string_view url, std::string_view targetDir);

} // namespace fetchly
