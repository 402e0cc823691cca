// Every system call the POSIX layer makes goes through this table, so a test
// can make one fail on demand and check that nothing is lost.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

struct PosixSyscalls {
    char* (*getcwd)(char* buffer, size_t size);
    int (*chdir)(const char* path);
    int (*mkdir)(const char* path, mode_t mode);
    int (*unlink)(const char* path);
    int (*open)(const char* path, int flags, mode_t mode);
    int (*close)(int fd);
    int (*fstat)(int fd, struct stat* st);
    int (*fstatat)(int dir_fd, const char* path, struct stat* st, int flags);
    ssize_t (*copy_file_range)(int in_fd, off_t* in_offset, int out_fd, off_t* out_offset,
                               size_t length, unsigned flags);
    ssize_t (*read)(int fd, void* buffer, size_t size);
    ssize_t (*write)(int fd, const void* buffer, size_t size);
    int (*fchmod)(int fd, mode_t mode);
    int (*futimens)(int fd, const struct timespec times[2]);
    int (*linkat)(int old_dir_fd, const char* old_path, int new_dir_fd, const char* new_path,
                  int flags);
    int (*rename)(const char* old_path, const char* new_path);
    DIR* (*opendir)(const char* path);
    struct dirent* (*readdir)(DIR* dir);
    int (*closedir)(DIR* dir);
    off_t (*lseek)(int fd, off_t offset, int whence);
};

extern PosixSyscalls posix_syscalls;

// The real calls, for a test to restore or to delegate to.
extern const PosixSyscalls posix_system_calls;
