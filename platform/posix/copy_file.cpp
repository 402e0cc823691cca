// CopyFileA as a careful system tool does it: the new content is written to a
// file without a name (or, where the file system has none, a temporary name of
// our own) and only a complete copy is put in place, atomically. A copy that
// is interrupted leaves the target as it was.
#include "errors.h"
#include "syscalls.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Not an errno: the file system has no unnamed files, or they cannot be named.
constexpr int no_unnamed_files = -1;

struct TargetPath {
    char full[PATH_MAX];
    char folder[PATH_MAX];
    const char* name;
};

bool split_target(const char (&full)[PATH_MAX], TargetPath& target)
{
    std::memcpy(target.full, full, sizeof target.full);
    const char* slash = std::strrchr(target.full, '/');
    target.name = slash != nullptr ? slash + 1 : target.full;
    if (*target.name == '\0')
        return false;
    if (slash == nullptr)
        std::strcpy(target.folder, ".");
    else if (slash == target.full)
        std::strcpy(target.folder, "/");
    else {
        std::size_t length = static_cast<std::size_t>(slash - target.full);
        std::memcpy(target.folder, target.full, length);
        target.folder[length] = '\0';
    }
    return true;
}

// One fixed temporary name per target, so that a run killed between naming
// and renaming leaves at most one leftover, which the next copy reuses.
bool temporary_name_of(const TargetPath& target, char (&out)[PATH_MAX])
{
    std::uint32_t hash = 2166136261u;
    for (const char* p = target.name; *p != '\0'; ++p)
        hash = (hash ^ static_cast<unsigned char>(*p)) * 16777619u;
    int length = std::snprintf(out, sizeof out, "%s/.install-%08x.tmp", target.folder,
                               static_cast<unsigned>(hash));
    return length > 0 && static_cast<std::size_t>(length) < sizeof out;
}

int copy_with_read_write(int in, int out)
{
    static char buffer[64 * 1024];
    for (;;) {
        ssize_t got = posix_syscalls.read(in, buffer, sizeof buffer);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t put = posix_syscalls.write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += put;
        }
    }
}

// Copies all of `in` to `out`: 0, or the errno that stopped it.
int copy_data(int in, int out, off_t size)
{
    off_t copied = 0;
    while (copied < size) {
        ssize_t n = posix_syscalls.copy_file_range(in, nullptr, out, nullptr,
                                                   static_cast<size_t>(size - copied), 0);
        if (n > 0) {
            copied += n;
            continue;
        }
        if (n == 0)  // the source shrank while being copied
            return EAGAIN;
        switch (errno) {
        case EINTR:
            continue;
        case EXDEV:
        case ENOSYS:
        case EINVAL:
        case EOPNOTSUPP:
        case EBADF:
        case ETXTBSY:
            // Not possible inside the kernel here; go on from where it stopped.
            return copy_with_read_write(in, out);
        default:
            return errno;
        }
    }
    return 0;
}

int finish_copy(int out, const struct stat& source)
{
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (posix_syscalls.fchmod(out, source.st_mode & 07777) != 0)
        return errno;
    if (posix_syscalls.futimens(out, times) != 0)
        return errno;
    return 0;
}

// Whether the file found at `to` may be replaced by a copy of `source`: 0, or
// the errno that refuses it.
int check_replaceable(const char* to, const struct stat& source)
{
    struct stat existing;
    if (posix_syscalls.fstatat(AT_FDCWD, to, &existing, 0) != 0)
        return errno == ENOENT ? 0 : errno;
    if (existing.st_dev == source.st_dev && existing.st_ino == source.st_ino)
        return EBUSY;  // replacing it would destroy the source
    if (S_ISDIR(existing.st_mode))
        return EISDIR;
    return 0;
}

// Gives the file at `from` (reached with `from_dir` and `from_flags`) the
// name `to`. The target is looked at only when a file is already there, so a
// new name costs one call; an existing one is replaced atomically, when
// `replace` is set and it is neither the source nor a folder.
int give_name(int from_dir, const char* from, int from_flags, const TargetPath& target,
              const struct stat& source, bool replace)
{
    if (posix_syscalls.linkat(from_dir, from, AT_FDCWD, target.full, from_flags) == 0)
        return 0;
    if (errno != EEXIST || !replace)
        return errno;
    int error = check_replaceable(target.full, source);
    if (error != 0)
        return error;
    char temporary[PATH_MAX];
    if (!temporary_name_of(target, temporary))
        return ENAMETOOLONG;
    if (posix_syscalls.linkat(from_dir, from, AT_FDCWD, temporary, from_flags) != 0)
        return errno;
    if (posix_syscalls.rename(temporary, target.full) != 0) {
        error = errno;
        posix_syscalls.unlink(temporary);
        return error;
    }
    return 0;
}

// Names an unnamed file. The empty path form is the direct way, but it needs
// privileges; without them it fails with ENOENT (EPERM where a sandbox
// filters the call), and from then on the name is
// given through /proc, which costs a path walk more. Without /proc either, the
// file cannot be named at all.
int name_unnamed_file(int out, const TargetPath& target, const struct stat& source, bool replace)
{
    static bool empty_path_refused = false;
    if (!empty_path_refused) {
        int error = give_name(out, "", AT_EMPTY_PATH, target, source, replace);
        if (error != ENOENT && error != EPERM)
            return error;
        empty_path_refused = true;
    }
    char proc_path[64];
    std::snprintf(proc_path, sizeof proc_path, "/proc/self/fd/%d", out);
    int error = give_name(AT_FDCWD, proc_path, AT_SYMLINK_FOLLOW, target, source, replace);
    return error == ENOENT ? no_unnamed_files : error;
}

int copy_through_unnamed_file(int in, const struct stat& source, const TargetPath& target,
                              bool replace)
{
    int out = posix_syscalls.open(target.folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (out < 0)
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? no_unnamed_files
                                                                         : errno;
    int error = copy_data(in, out, source.st_size);
    if (error == 0)
        error = finish_copy(out, source);
    if (error == 0)
        error = name_unnamed_file(out, target, source, replace);
    if (posix_syscalls.close(out) != 0 && error == 0)
        error = errno;
    return error;
}

int copy_through_named_file(int in, const struct stat& source, const TargetPath& target,
                            bool replace)
{
    char temporary[PATH_MAX];
    if (!temporary_name_of(target, temporary))
        return ENAMETOOLONG;
    int out = posix_syscalls.open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0)
        return errno;
    int error = copy_data(in, out, source.st_size);
    if (error == 0)
        error = finish_copy(out, source);
    if (posix_syscalls.close(out) != 0 && error == 0)
        error = errno;
    if (error == 0 && replace) {
        // Renamed rather than linked, so that no second name is left behind.
        error = check_replaceable(target.full, source);
        if (error == 0 && posix_syscalls.rename(temporary, target.full) != 0)
            error = errno;
    } else if (error == 0 &&
               posix_syscalls.linkat(AT_FDCWD, temporary, AT_FDCWD, target.full, 0) != 0) {
        error = errno;
    }
    posix_syscalls.unlink(temporary);
    return error;
}

}  // namespace

BOOL CopyFileA(LPCSTR source, LPCSTR target, BOOL fail_if_exists)
{
    char source_path[PATH_MAX];
    char target_path[PATH_MAX];
    if (!posix_path_of(source, source_path) || !posix_path_of(target, target_path))
        return FALSE;
    TargetPath to;
    if (!split_target(target_path, to))
        return fail_with(ERROR_INVALID_NAME);

    // Non-blocking, so that a FIFO or device that matches cannot stall the run.
    int in = posix_syscalls.open(source_path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (in < 0)
        return fail_with_errno(errno);
    struct stat from;
    if (posix_syscalls.fstat(in, &from) != 0) {
        int error = errno;
        posix_syscalls.close(in);
        return fail_with_errno(error);
    }
    if (!S_ISREG(from.st_mode)) {
        posix_syscalls.close(in);
        return fail_with(ERROR_ACCESS_DENIED);
    }

    // A run killed while the temporary had its name leaves it behind; the
    // next copy to the same target removes it, whichever way that copy goes
    // (the road can change between runs, e.g. with /proc mounted or not).
    char leftover[PATH_MAX];
    if (temporary_name_of(to, leftover))
        posix_syscalls.unlink(leftover);

    bool replace = !fail_if_exists;
    int error = copy_through_unnamed_file(in, from, to, replace);
    if (error == no_unnamed_files) {
        // No unnamed files on this file system (or no way to name them): start over.
        error = posix_syscalls.lseek(in, 0, SEEK_SET) == 0
                    ? copy_through_named_file(in, from, to, replace)
                    : errno;
    }
    posix_syscalls.close(in);
    if (error == EEXIST && fail_if_exists)
        return fail_with(ERROR_FILE_EXISTS);
    return error == 0 ? TRUE : fail_with_errno(error);
}
