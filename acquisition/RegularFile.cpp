#include "acquisition/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

std::string DescribeNonRegular(mode_t mode)
{
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISFIFO(mode)) return "not a regular file but a FIFO or pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file but a device";
    if (S_ISSOCK(mode)) return "not a regular file but a socket";
    return "not a regular file";
}

namespace {

std::string SystemReason()
{
    return std::strerror(errno);
}

// Regular files never block; the flag only kept the open itself from waiting.
void ClearNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

// The descriptor's file must be a regular one; otherwise it is closed and -1 returned.
int KeepIfRegular(int fd, struct stat& st, std::string& reason)
{
    if (::fstat(fd, &st) != 0) {
        reason = SystemReason();
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = DescribeNonRegular(st.st_mode);
        ::close(fd);
        return -1;
    }
    ClearNonBlocking(fd);
    return fd;
}

}  // namespace

std::string FollowLinks(const std::string& path)
{
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::string target(static_cast<size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n <= 0) return at;
        target.resize(static_cast<size_t>(n));
        if (target[0] != '/') {
            const size_t slash = at.rfind('/');
            if (slash != std::string::npos) target = at.substr(0, slash + 1) + target;
        }
        at = target;
    }
    return {};
}

int OpenRegularForReading(const std::string& path, std::string& reason)
{
    // O_NONBLOCK keeps a FIFO without a writer from holding the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        // A socket refuses the open (ENXIO): say what stands there rather than the code.
        reason = SystemReason();
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) reason = DescribeNonRegular(st.st_mode);
        return -1;
    }
    struct stat st {};
    return KeepIfRegular(fd, st, reason);
}

OutputFile::~OutputFile()
{
    Close();
}

bool OutputFile::Open(const std::string& path, std::string& reason)
{
    Close();
    created_ = false;
    constexpr int Flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    struct stat st {};
    int fd = -1;
    if (::stat(path.c_str(), &st) == 0) {
        // Something is there (a link is followed): only a regular file is opened at all, so a
        // device never even sees an open.
        if (!S_ISREG(st.st_mode)) {
            reason = DescribeNonRegular(st.st_mode);
            return false;
        }
        fd = ::open(path.c_str(), Flags);
    } else if (errno == ENOENT) {
        fd = ::open(path.c_str(), Flags | O_CREAT | O_EXCL, 0666);
        // A symbolic link to a name that does not exist yet: the target is created through it.
        struct stat link {};
        if (fd < 0 && errno == EEXIST && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            fd = ::open(path.c_str(), Flags | O_CREAT, 0666);
        created_ = fd >= 0;
    } else {
        reason = SystemReason();
        return false;
    }
    if (fd < 0) {
        // ENXIO: a FIFO put there after the check, with nobody reading it.
        reason = errno == ENXIO ? DescribeNonRegular(S_IFIFO) : SystemReason();
        created_ = false;
        return false;
    }
    fd = KeepIfRegular(fd, st, reason);
    if (fd < 0) {
        created_ = false;
        return false;
    }
    if (!created_ && ::ftruncate(fd, 0) != 0) {
        reason = SystemReason();
        ::close(fd);
        return false;
    }
    fd_ = fd;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    char resolved[PATH_MAX];
    resolved_ = ::realpath(path.c_str(), resolved) ? resolved : path;
    return true;
}

bool OutputFile::Close()
{
    if (fd_ < 0) return true;
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
}

void OutputFile::Discard()
{
    Close();
    if (!created_) return;
    created_ = false;
    struct stat st {};
    if (::lstat(resolved_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == device_ && st.st_ino == inode_)
        ::unlink(resolved_.c_str());
}
