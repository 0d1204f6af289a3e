// The gateway folder: where the definition files, their account files and
// the order file live.
//
// On Windows paths are joined with "\". Natively they are joined with "/",
// and a relative folder may begin with ".\" (the stored default ".\Gateways")
// or "./"; its remaining "\" become "/".
#pragma once

#include <cstddef>
#include <string>

namespace catalogue {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

constexpr size_t kMaxFolderLength = 259;

// Test and command-line override of the executable's path (empty: none).
void SetExecutablePathForTests(const std::string& path);
// The full path of the host's executable, at most 260 characters; "" when
// unknown.
std::string ExecutablePath();

namespace platform {
std::string ExecutablePath();  // ExecutablePath_win.cpp / _posix.cpp
}  // namespace platform

// `folder` + separator + `name`.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace catalogue

// The current gateway folder, absolute once resolved.
std::string GatewayFolder();
// Kept cut to 259 characters.
void SetGatewayFolder(const std::string& folder);

// Makes a folder that begins with ".\" (natively also "./") absolute against
// the folder of the host's executable, in place, cut to 259 characters. A
// value shorter than 3 characters, any other value, or an executable path
// without a separator past its first character leaves it unchanged.
void ResolveGatewayFolder(std::string& folder);
