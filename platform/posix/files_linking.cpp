// Replacing a copy by a hard link to the file kept, and sharing a copy's storage with it (FIDEDUPERANGE).
#include "platform/common/failure.h"
#include "platform/file_services.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using zw_common::FailWith;
using zw_common::FailWithError;
using zw_common::Succeed;

namespace {

template <typename T> T FailErrno(T result) {
    const int error = errno;
    const FileFailure code = error == ENOENT                     ? FAILURE_MISSING
                             : error == EACCES || error == EPERM ? FAILURE_DENIED
                                                                 : FAILURE_OTHER;
    return FailWithError(code, uint32_t(error), result);
}

// A descriptor closed when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

} // namespace

int32_t ReplaceByLink(const std::string& kept, const FileIdentity& keptIdentity, const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || path.find('\0') != std::string::npos ||
        kept.find('\0') != std::string::npos)
        return FailWith(FAILURE_OTHER, "not a full path", 0);
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash), name = path.substr(slash + 1);
    Descriptor dir{open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0) return FailErrno(0);
    // A name nobody else uses: hidden, and new (linkat refuses to replace anything).
    static thread_local std::mt19937_64 random{std::random_device()()};
    std::string hidden;
    for (int tries = 0;; ++tries) {
        hidden = ".zwillingsfeger-link-" + std::to_string(random());
        // Without AT_SYMLINK_FOLLOW a link at Kept is linked itself, and then fails the identity check.
        if (linkat(AT_FDCWD, kept.c_str(), dir.fd, hidden.c_str(), 0) == 0) break;
        if (errno != EEXIST || tries == 16) return FailErrno(0);
    }
    struct stat made;
    if (fstatat(dir.fd, hidden.c_str(), &made, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(made.st_mode) ||
        uint64_t(made.st_dev) != keptIdentity.device || uint64_t(made.st_ino) != keptIdentity.index) {
        unlinkat(dir.fd, hidden.c_str(), 0);
        return FailWith(FAILURE_OTHER, "the kept file changed since the search", 0);
    }
    if (renameat(dir.fd, hidden.c_str(), dir.fd, name.c_str()) != 0) {
        const int error = errno;
        unlinkat(dir.fd, hidden.c_str(), 0);
        errno = error;
        return FailErrno(0);
    }
    Succeed();
    return 1;
}

int64_t ShareStorage(const std::string& source, const std::string& path, int64_t size) {
    Descriptor from{open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (from.fd < 0) return FailErrno<int64_t>(-1);
    Descriptor to{open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (to.fd < 0) return FailErrno<int64_t>(-1);
    int64_t shared = 0;
    // The kernel takes a limited range per call (16 MiB on many file systems): asked again for the rest.
    auto range = std::unique_ptr<file_dedupe_range, void (*)(void*)>(
        static_cast<file_dedupe_range*>(
            calloc(1, sizeof(file_dedupe_range) + sizeof(file_dedupe_range_info))),
        free);
    for (int64_t at = 0; at < size;) {
        *range = file_dedupe_range{};
        range->src_offset = uint64_t(at);
        range->src_length = uint64_t(size - at);
        range->dest_count = 1;
        range->info[0] = file_dedupe_range_info{};
        range->info[0].dest_fd = to.fd;
        range->info[0].dest_offset = uint64_t(at);
        if (ioctl(from.fd, FIDEDUPERANGE, range.get()) != 0) return FailErrno<int64_t>(-1);
        if (range->info[0].status == FILE_DEDUPE_RANGE_DIFFERS)
            return FailWith<int64_t>(FAILURE_OTHER, "the bytes differ", -1);
        if (range->info[0].status < 0) {
            errno = -range->info[0].status;
            return FailErrno<int64_t>(-1);
        }
        if (range->info[0].bytes_deduped == 0) break;
        shared += int64_t(range->info[0].bytes_deduped);
        at += int64_t(range->info[0].bytes_deduped);
    }
    Succeed();
    return shared;
}
