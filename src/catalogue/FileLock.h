// An exclusive lock between processes, held on a small lock file for the
// life of the object (flock natively, LockFileEx on Windows). The system
// drops it when its holder dies, so a killed process never leaves it taken.
// Threads of one process need a mutex of their own besides.
#pragma once

#include <cstdint>
#include <string>

class FileLock {
public:
    // Creates the lock file when missing and waits until the lock is ours.
    explicit FileLock(const std::string& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // false when the lock file could not be opened or locked.
    bool held() const { return held_; }

private:
    intptr_t handle_;
    bool held_ = false;
};
