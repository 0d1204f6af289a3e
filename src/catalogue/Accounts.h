// Account files: several accounts of one gateway, beside its definition
// file, tried in number order and renumbered after a later one worked.
#pragma once

#include <optional>
#include <string>

// A send reads "Username" and "Password" into buffers of this size.
constexpr size_t kAccountValueSize = 1024;

// The definition file's path with its final ".ini" (matched with case)
// replaced by ".sac"; "" when the path does not end in ".ini", in which case
// the gateway has no account file.
std::string AccountFilePath(const std::string& definitionPath);

struct AccountCredentials {
    std::string user;
    std::optional<std::string> password;  // none when missing or empty
};
// "Username" and "Password" of section "Account<number>", each up to 1023
// characters. 0; -1 when that section has no "Username".
int ReadAccount(const std::string& accountFile, int number, AccountCredentials* account);

// Renumbers the accounts so that account `number` becomes account 1 and the
// cyclic order stays: n, n+1, ..., last, 1, ..., n-1. Only the accounts
// numbered from 1 without a gap count (at most 255). 0; -1 when `number` is
// not one of them, or the file could not be read, locked or replaced; the
// file is then as it was.
// Only "Username" and "Password" move, each exactly as it stands in the
// file (quotes and all, whatever its length), so it reads back the same.
// Other sections and keys stay, and so do "Temp<n>" sections that an older
// version may have left behind with the only copy of an account. The file
// is renumbered in memory and replaced once; threads of this process take
// turns, and other processes wait on the lock file AccountLockPath().
int RotateAccounts(const std::string& accountFile, int number);

// The lock file beside an account file: "<account file>.lock".
std::string AccountLockPath(const std::string& accountFile);
