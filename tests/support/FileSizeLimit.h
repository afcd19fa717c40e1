#pragma once
// A file-size limit stands in for a full disk: the write that crosses it fails
// part-way (EFBIG), exactly as on a device that fills up, and leaves the part
// of the file that fitted. It holds for the whole process while it lives.

#include <sys/resource.h>

#include <csignal>

namespace sondrel::testing {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

  private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
    bool ok_ = false;
};

}  // namespace sondrel::testing
