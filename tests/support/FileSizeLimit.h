#pragma once
// A file-size limit stands in for a full disk: the write that crosses it fails
// part-way (EFBIG), exactly as on a device that fills up, and the file can be
// looked at afterwards, which /dev/full does not allow. For the whole process
// while it lives.

#include <sys/resource.h>

#include <csignal>

namespace sondrel::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

  private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
    bool ok_ = false;
};

}  // namespace sondrel::test
