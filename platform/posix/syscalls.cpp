#include "syscalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

const PosixSyscalls posix_system_calls = {
    ::getcwd,
    ::chdir,
    ::mkdir,
    ::unlink,
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    ::close,
    ::fstat,
    ::fstatat,
    ::copy_file_range,
    ::read,
    ::write,
    ::fchmod,
    ::futimens,
    ::linkat,
    ::rename,
    ::opendir,
    ::readdir,
    ::closedir,
    ::lseek,
};

PosixSyscalls posix_syscalls = posix_system_calls;
