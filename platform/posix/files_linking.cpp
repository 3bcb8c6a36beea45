// Replacing a copy by a hard link to the file kept, and sharing a copy's storage with it (FIDEDUPERANGE).
#include "platform/common/failure.h"
#include "platform/file_services.h"
#include "platform/posix/posix_files.h"

#include <cerrno>
#include <cstdio>
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
    return zw_posix::Fail(errno, result);
}

// A descriptor closed when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

} // namespace

int32_t ReplaceHeldByLink(HeldFile* held, const std::string& kept, const FileIdentity& keptIdentity) {
    if (held->folder < 0 || kept.find('\0') != std::string::npos)
        return FailWith(FAILURE_OTHER, "no file is held", 0);
    const int folder = static_cast<int>(held->folder);
    const std::string name = held->path.substr(held->path.rfind('/') + 1);
    // A name nobody else uses: hidden, and new (linkat refuses to replace anything).
    static thread_local std::mt19937_64 random{std::random_device()()};
    std::string hidden;
    for (int tries = 0;; ++tries) {
        hidden = ".zwillingsfeger-link-" + std::to_string(random());
        // Without AT_SYMLINK_FOLLOW a link at Kept is linked itself, and then fails the identity check.
        if (linkat(AT_FDCWD, kept.c_str(), folder, hidden.c_str(), 0) == 0) break;
        if (errno != EEXIST || tries == 16) {
            const int32_t failed = FailErrno(0);
            ReleaseHeldFile(held);
            return failed;
        }
    }
    struct stat made;
    if (fstatat(folder, hidden.c_str(), &made, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(made.st_mode) ||
        uint64_t(made.st_dev) != keptIdentity.device || uint64_t(made.st_ino) != keptIdentity.index) {
        unlinkat(folder, hidden.c_str(), 0);
        ReleaseHeldFile(held);
        return FailWith(FAILURE_OTHER, "the kept file changed since the search", 0);
    }
    // The held file's name is free unless another program took it meanwhile: that file is left alone.
    if (renameat2(folder, hidden.c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        unlinkat(folder, hidden.c_str(), 0);
        ReleaseHeldFile(held);
        errno = error;
        return FailErrno(0);
    }
    unlinkat(folder, held->asideName.c_str(), 0);
    close(folder);
    held->folder = -1;
    held->asideName.clear();
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
