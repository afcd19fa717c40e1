#pragma once
// The simulator's pseudo-terminals: the serial head's and the orientation
// instrument's.

#include <string>

namespace headsim {

void setNonBlocking(int fd);

// A pseudo-terminal whose slave side we keep open ourselves, so the master
// never sees a hang-up while the program has the port closed, and raw mode set
// here holds until the program configures the line itself.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;
    std::string link;

    bool open(std::string& error);
    // A symbolic link to the slave side that stays the same from run to run;
    // a symbolic link already there is replaced, any other file refuses it.
    bool makeLink(const std::string& linkPath, std::string& error);
    // Removes the link only while it still points at this terminal.
    void close();
};

}  // namespace headsim
