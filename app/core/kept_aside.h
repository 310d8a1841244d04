#pragma once

#include <filesystem>
#include <string>

// Files of the user that the program could not read are never written over:
// they are moved aside, whole, before anything new takes their name.
namespace fetchly {

// Renames `path` to "<name>.<tag>-YYYYMMDD-HHMMSS" in the same folder (with
// "-2", "-3"... when that name is taken; an existing file is never
// replaced) and returns the new path. Needs no read permission on the file;
// a folder is not moved.
// Throws std::runtime_error with the reason when it cannot be moved.
std::filesystem::path KeepAside(const std::filesystem::path &path, const std::string &tag);

// Removes the temporary files an interrupted atomic write of `path` left
// beside it (".<name>.XXXXXX", as WriteFileAtomically makes them). Only
// regular files with exactly that name shape go; returns how many.
int RemoveLeftoverTemporaries(const std::filesystem::path &path);

} // namespace fetchly
