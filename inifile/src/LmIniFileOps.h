// File access of the parameter-file library: opening for reading and
// replacing a file's whole content in one atomic step. Every OS call goes
// through FileOps so that tests can make a single step fail.
#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>

namespace lmini {

struct FileOps {
    std::FILE* (*openRead)(const char* path);
    int (*makeUnnamedTemp)(const char* directory);    // open O_TMPFILE, -1 when unsupported
    int (*makeTemp)(char* pathTemplate);              // mkstemp, the fallback
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};

// The operations in use; tests may replace single entries and restore them.
FileOps& Os();
const FileOps& RealOs();

// Opens a regular file for reading. Anything else fails with errno EISDIR
// (a directory) or EINVAL; otherwise errno tells why the open failed.
std::FILE* OpenForReading(const char* path);

// Replaces (or creates) target with content: a temporary file in the target's
// directory is written, flushed to disk and renamed over the target. The
// temporary file is unnamed (O_TMPFILE) where the file system allows, and is
// given its name "~LmPara.XXXXXX" only for the rename, so that a process killed
// while writing leaves nothing behind; elsewhere it is named from the start.
// Before writing, temporary files of that naming older than an hour (left by
// killed writers) are removed from the directory.
// A symbolic link as target is followed; the old file's permission bits are
// kept (and its owner where the process may), a new file gets 0666 less the
// umask. Returns 0, 5 (the target exists but is no regular file, or the
// temporary file cannot be created), 6 (write, flush or close failed) or 8 (rename failed);
// on failure the target is untouched and the temporary file removed.
int ReplaceFileContent(const char* target, const std::string& content);

// Removes "~LmPara.XXXXXX" regular files last changed more than maxAgeSeconds
// ago from directory; other names are never touched.
void RemoveStaleTemporaries(const std::string& directory, long maxAgeSeconds);

} // namespace lmini
