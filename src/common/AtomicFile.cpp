#include "common/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kest {
namespace {

std::string failure(const std::filesystem::path& path, int error)
{
    return path.string() + ": " + std::strerror(error);
}

/// Mode for a file that is new: what open() with 0666 and the user's umask gives.
mode_t createdMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

/// Makes the finished temporary file behind `fd` ready to replace `path`: on disk,
/// with the old file's mode and owner, closed. Returns errno or 0; closes `fd` always.
int finish(int fd, const std::filesystem::path& path)
{
    int error = 0;
    struct stat old
    {
    };
    if (::stat(path.c_str(), &old) == 0) {
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            error = errno;
        // Only root may give a file away; anyone else keeps the old mode, and the
        // file becomes theirs, as any rewrite by them would make it.
        if (!error && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
            (void)!::fchown(fd, old.st_uid, old.st_gid);
    } else if (::fchmod(fd, createdMode()) != 0) {
        error = errno;
    }
    // A disk that fills up may accept the writes and refuse the data only here.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    return error;
}

} // namespace

std::string checkReplaceable(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return {};
    if (S_ISDIR(st.st_mode))
        return failure(path, EISDIR);
    if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
        return path.string() + ": read-only file";
    return {};
}

std::string writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    if (auto refused = checkReplaceable(path); !refused.empty())
        return refused;
    std::string tmp = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return failure(path, errno);
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    int error = 0;
    while (left > 0) {
        const auto n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (error) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return failure(path, error);
    }
    if (const int finished = finish(fd, path); finished != 0) {
        ::unlink(tmp.c_str());
        return failure(path, finished);
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(tmp.c_str());
        return failure(path, error);
    }
    return {};
}

std::filesystem::path makeTemporaryBeside(const std::filesystem::path& path, std::string& error)
{
    if (error = checkReplaceable(path); !error.empty())
        return {};
    std::string tmp = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        error = failure(path, errno);
        return {};
    }
    ::close(fd);
    return tmp;
}

std::string replaceWithTemporary(const std::filesystem::path& temp, const std::filesystem::path& path)
{
    std::string reason = checkReplaceable(path);
    if (reason.empty()) {
        const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            reason = failure(path, errno);
        else if (const int finished = finish(fd, path); finished != 0)
            reason = failure(path, finished);
        else if (std::rename(temp.c_str(), path.c_str()) != 0)
            reason = failure(path, errno);
    }
    if (!reason.empty())
        ::unlink(temp.c_str());
    return reason;
}

} // namespace kest
