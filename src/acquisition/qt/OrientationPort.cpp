#include "acquisition/qt/OrientationPort.h"

#include <algorithm>

#include "acquisition/SerialPoll.h"

namespace sondrel {

bool OrientationPort::open(int comPort, int baud) {
    device_.close();
    const std::string path = portNames_ ? portNames_(comPort) : defaultComPortDevice(comPort);
    return device_.open(path, baud);
}

bool OrientationPort::write(const std::uint8_t* data, std::size_t size) {
    return device_.writeAll(data, size, serialTimeoutMs(size)) == size;
}

std::size_t OrientationPort::read(std::uint8_t* dst, std::size_t max) {
    const std::size_t waiting = std::min(device_.bytesWaiting(), max);
    // They are already queued, so the timeout only matters if the device
    // disappears under the read.
    return device_.readFor(dst, waiting, serialTimeoutMs(waiting));
}

std::size_t OrientationPort::read(std::uint8_t* dst, std::size_t n, int timeoutMs) {
    return device_.readFor(dst, n, timeoutMs);
}

void OrientationPort::purge() {
    device_.purgeReceive();
    device_.purgeTransmit();
}

}  // namespace sondrel
