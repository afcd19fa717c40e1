#include "Pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace headsim {

void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

bool Pty::open(std::string& error) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(master);
    if (!name) {
        error = "cannot name the pseudo-terminal";
        return false;
    }
    path = name;
    slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return false;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    setNonBlocking(master);
    return true;
}

bool Pty::makeLink(const std::string& linkPath, std::string& error) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            return false;
        }
        unlink(linkPath.c_str());
    }
    if (symlink(path.c_str(), linkPath.c_str()) != 0) {
        error = "cannot create " + linkPath + ": " + std::strerror(errno);
        return false;
    }
    link = linkPath;
    return true;
}

void Pty::close() {
    if (!link.empty()) {
        char target[256] = {};
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n > 0 && path == std::string(target, static_cast<std::size_t>(n))) {
            unlink(link.c_str());
        }
    }
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
    master = slave = -1;
}

}  // namespace headsim
