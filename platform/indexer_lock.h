// daradiv.lock in the program folder: the running indexer of that folder holds an exclusive
// flock on it and keeps its process ID in it as decimal text and a line end. The viewer
// tells its own folder's indexer from any other process by this lock, never by a name.
#pragma once

#include <string>

// Takes the lock of app_dir (ending in "/") for this process and writes the process ID into
// it. The descriptor to keep open for the whole run (closed on exec), or -1 when another
// process holds the lock or the file cannot be opened.
int AcquireIndexerLock(const std::string& app_dir);

// Gives the lock up.
void ReleaseIndexerLock(int fd);

// The process ID written in the lock of app_dir; 0 when there is no file or no number. The
// ID may be stale: whether that process still holds the lock is the caller's question.
int ReadIndexerLockId(const std::string& app_dir);
