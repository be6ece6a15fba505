#include "common/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kest {

std::string writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    std::string tmp = path.string() + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0)
        return path.string() + ": " + std::strerror(errno);
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
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error) {
        ::chmod(tmp.c_str(), 0644);
        if (std::rename(tmp.c_str(), path.c_str()) != 0)
            error = errno;
    }
    if (error) {
        ::unlink(tmp.c_str());
        return path.string() + ": " + std::strerror(error);
    }
    return {};
}

std::string replaceWithTemporary(const std::filesystem::path& temp, const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (!ec)
        return {};
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return "cannot write " + path.string() + ": " + ec.message();
}

} // namespace kest
