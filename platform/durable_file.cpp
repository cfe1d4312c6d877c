#include "platform/durable_file.h"

#if !defined(__unix__) && !defined(__APPLE__)
#error "durable files are written for POSIX systems only"
#endif

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : fd_(fd) {}
    ~CFileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now, so that an error of the close itself is seen.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// A new or renamed name is only durable once its folder is synced too.
void SyncFolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    CFileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid()) {
        ::fsync(directory.Get());
    }
}

} // namespace

bool AppendDurably(const std::filesystem::path& path, std::string_view bytes, AppendTarget target,
                   std::string* message) {
    const int flags =
        O_WRONLY | O_APPEND | O_CLOEXEC | (target == AppendTarget::CreateIfMissing ? O_CREAT : 0);
    const bool existed = ::access(path.c_str(), F_OK) == 0;
    CFileDescriptor file(::open(path.c_str(), flags, 0644));
    if (!file.Valid()) {
        *message = SystemError("cannot open " + path.string() + " for appending");
        return false;
    }
    struct stat before {};
    if (::fstat(file.Get(), &before) != 0) {
        *message = SystemError("cannot read the size of " + path.string());
        return false;
    }
    if (WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0) {
        if (!existed) {
            SyncFolderOf(path);
        }
        return true;
    }
    *message = SystemError("cannot write " + path.string());
    // No half line or half record may stay behind.
    if (!existed) {
        file.Close();
        ::unlink(path.c_str());
    } else if (::ftruncate(file.Get(), before.st_size) == 0) {
        ::fsync(file.Get());
    }
    return false;
}

std::filesystem::path ReplaceTemporaryPath(const std::filesystem::path& path) {
    std::filesystem::path temporary = path;
    temporary += ".new";
    return temporary;
}

bool ReplaceDurably(const std::filesystem::path& path, std::string_view bytes, std::string* message,
                    const ReplaceStepObserver& observer) {
    const auto stopsAt = [&](ReplaceStep step, const char* what) {
        if (!observer || observer(step) == StepDecision::Continue) {
            return false;
        }
        *message = "replacing " + path.string() + " stopped " + what;
        return true;
    };
    const std::filesystem::path temporary = ReplaceTemporaryPath(path);
    CFileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.Valid()) {
        *message = SystemError("cannot create " + temporary.string());
        return false;
    }
    if (!WriteAll(file.Get(), bytes) || ::fsync(file.Get()) != 0 || !file.Close()) {
        *message = SystemError("cannot write " + temporary.string());
        file.Close();
        ::unlink(temporary.c_str());
        return false;
    }
    if (stopsAt(ReplaceStep::TemporarySynced, "before the rename")) {
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        *message = SystemError("cannot replace " + path.string());
        ::unlink(temporary.c_str());
        return false;
    }
    if (stopsAt(ReplaceStep::Renamed, "before its folder was synced")) {
        return false;
    }
    SyncFolderOf(path);
    return true;
}

} // namespace quorvane
