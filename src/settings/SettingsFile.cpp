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

std::filesystem::path resolveSettingsLink(const std::filesystem::path& file)
{
    // At most as many links as the kernel follows in one path (MAXSYMLINKS).
    std::filesystem::path current = file;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error))
            return current;
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error)
            return current;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current;
}

namespace {

// A device or FIFO that a link names is written into, not replaced: a link to
// /dev/null keeps nothing, one to /dev/full reports that the device is full.
std::string writeIntoSpecialFile(const std::filesystem::path& target, std::string_view content)
{
    // Non-blocking, so that a FIFO without a reader fails instead of waiting.
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return "cannot open " + target.string() + ": " + reason(errno);
    if (!writeAll(fd.get(), content))
        return "cannot write to " + target.string() + ": " + reason(errno);
    if (fd.release() != 0)
        return "cannot close " + target.string() + ": " + reason(errno);
    return {};
}

} // namespace

std::string writeSettingsFileAtomically(const std::filesystem::path& file, std::string_view content)
{
    // A link (a dotfiles repository, say) keeps pointing at the file it names:
    // the new content replaces the target, never the link.
    const std::filesystem::path target = resolveSettingsLink(file);
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (!exists && errno == ELOOP)
        return reason(errno);
    if (exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return writeIntoSpecialFile(target, content);
    if (exists && S_ISREG(info.st_mode)) {
        // What cannot be read cannot be looked at by the user either after it
        // is replaced: it stays as it is.
        const FileDescriptor readable(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (readable.get() < 0 && (errno == EACCES || errno == EPERM))
            return "it cannot be read (" + reason(errno) + "), so it is not replaced";
    }

    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    // Hidden and unique per writer, so two instances never share one.
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return "cannot create a file in " + folder.string() + ": " + reason(errno);

    std::string problem;
    // A replaced file keeps the permissions the user gave it.
    if (exists && S_ISREG(info.st_mode))
        ::fchmod(fd.get(), info.st_mode & 07777);
    if (!writeAll(fd.get(), content))
        problem = "cannot write: " + reason(errno);
    else if (::fsync(fd.get()) != 0)
        problem = "cannot flush to disk: " + reason(errno);
    else if (fd.release() != 0)
        problem = "cannot close: " + reason(errno);
    else if (::rename(pattern.c_str(), target.c_str()) != 0)
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
