#include "solver/driver/result_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <streambuf>

namespace modal {

namespace {

// A stream buffer over a file descriptor that remembers the first error.
class fileBuffer : public std::streambuf {
public:
    explicit fileBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    int error() const noexcept { return error_; }
    bool flushAll() { return drain(); }

protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain() {
        const char* p = pbase();
        while (p < pptr() && error_ == 0) {
            const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
            if (n < 0) {
                if (errno == EINTR) continue;
                error_ = errno;
            } else {
                p += n;
            }
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return error_ == 0;
    }

    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

// An exclusive lock on a file while it lives (none when it cannot be had).
class fileLock {
public:
    explicit fileLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~fileLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    fileLock(const fileLock&) = delete;
    fileLock& operator=(const fileLock&) = delete;

private:
    int fd_;
};

} // namespace

result_files::result_files(std::string lock_path, const std::atomic<int>* stop)
    : lock_(std::move(lock_path)), stop_(stop) {}

result_files::~result_files() {
    discard();
}

std::string result_files::temporary_for(const std::string& path) const {
    return path + ".tmp" + std::to_string(::getpid());
}

void result_files::adopt(const std::string& path) {
    const std::lock_guard<std::mutex> guard(mutex_);
    staged_.push_back(path);
}

bool result_files::replaceable(const std::string& path, std::string& reason) {
    // A file that its owner made read-only is not replaced, although the
    // folder would let a new file take its place.
    // (A file nobody may write counts as read-only for the superuser too.)
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return true;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        reason = std::strerror(EACCES);
        return false;
    }
    if (::access(path.c_str(), W_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool result_files::stage(const std::string& path, const std::function<void(std::ostream&)>& write,
                         std::string& reason) {
    if (!replaceable(path, reason)) return false;
    const std::string temporary = temporary_for(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    fileBuffer buffer(fd);
    {
        std::ostream out(&buffer);
        write(out);
        out.flush();
    }
    int error = buffer.flushAll() ? 0 : buffer.error();
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        reason = std::strerror(error);
        ::unlink(temporary.c_str());
        return false;
    }
    adopt(path);
    return true;
}

std::vector<std::pair<std::string, std::string>> result_files::commit() {
    std::vector<std::pair<std::string, std::string>> failed;
    if (stop_ != nullptr && stop_->load() != 0) {
        discard();
        return failed;
    }
    const fileLock lock(lock_);
    const std::lock_guard<std::mutex> guard(mutex_);
    for (const std::string& path : staged_) {
        if (std::rename(temporary_for(path).c_str(), path.c_str()) != 0) {
            failed.emplace_back(path, std::strerror(errno));
            ::unlink(temporary_for(path).c_str());
        }
    }
    staged_.clear();
    return failed;
}

void result_files::discard() noexcept {
    const std::lock_guard<std::mutex> guard(mutex_);
    for (const std::string& path : staged_)
        ::unlink(temporary_for(path).c_str());
    staged_.clear();
}

} // namespace modal
