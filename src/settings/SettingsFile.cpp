#include "settings/SettingsFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {

namespace {

std::string reason(int error)
{
    return std::strerror(error);
}

// Closes the descriptor when the scope ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd; }
    // Closes now, reporting the result (close can report a failed write-back).
    int release()
    {
        const int result = ::close(fd);
        fd = -1;
        return result;
    }

private:
    int fd;
};

bool writeAll(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

SettingsFileRead_t readSettingsFile(const std::filesystem::path& file, std::size_t maxBytes)
{
    using Status = SettingsFileRead_t::Status;
    SettingsFileRead_t result;
    // Non-blocking, so that a FIFO in the file's place cannot hold the start up.
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        result.status = error == ENOENT ? Status::Missing : Status::Unreadable;
        result.problem = reason(error);
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        result.status = Status::Unreadable;
        result.problem = reason(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = Status::NotAFile;
        result.problem = S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file";
        return result;
    }
    if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > maxBytes) {
        result.status = Status::TooLarge;
        result.problem = "it is larger than " + std::to_string(maxBytes) + " bytes";
        return result;
    }
    // The size may change while reading: read to the end, but no further than
    // one byte past the bound.
    std::string content(maxBytes + 1, '\0');
    std::size_t filled = 0;
    while (filled < content.size()) {
        const ssize_t got = ::read(fd.get(), content.data() + filled, content.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            result.status = Status::Unreadable;
            result.problem = reason(errno);
            return result;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > maxBytes) {
        result.status = Status::TooLarge;
        result.problem = "it is larger than " + std::to_string(maxBytes) + " bytes";
        return result;
    }
    content.resize(filled);
    result.status = Status::Read;
    result.content = std::move(content);
    return result;
}

std::string writeSettingsFileAtomically(const std::filesystem::path& file, std::string_view content)
{
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    // Hidden and unique per writer, so two instances never share one.
    std::string pattern = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return "cannot create a file in " + folder.string() + ": " + reason(errno);

    std::string problem;
    if (!writeAll(fd.get(), content))
        problem = "cannot write: " + reason(errno);
    else if (::fsync(fd.get()) != 0)
        problem = "cannot flush to disk: " + reason(errno);
    else if (fd.release() != 0)
        problem = "cannot close: " + reason(errno);
    else if (::rename(pattern.c_str(), file.c_str()) != 0)
        problem = "cannot replace it: " + reason(errno);
    if (!problem.empty()) {
        ::unlink(pattern.c_str());
        return problem;
    }
    // The rename itself reaches the disk with the folder's entry.
    const FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() >= 0)
        ::fsync(folderFd.get());
    return {};
}

} // namespace dravik
