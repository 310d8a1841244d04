#pragma once

// The names under which the running program is found on the session bus.
// The native messaging host and `fetchly add` call them; they are fixed, so
// a host of one version finds a program of another.
namespace fetchly::automation {

inline constexpr char kServiceName[] = "OrvFetchly.TUrlAdder";
inline constexpr char kObjectPath[] = "/TUrlAdder";
inline constexpr char kInterfaceName[] = "OrvFetchly.FetchlyAdder";
inline constexpr char kMethodName[] = "AddDownLoadUrl";
inline constexpr char kRequestMethodName[] = "AddDownloadRequest";

} // namespace fetchly::automation
