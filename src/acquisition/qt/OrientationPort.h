#pragma once
// The orientation instrument's serial port. Used only on the main thread by the
// orientation input, which reads it once per poll and every 200 ms while no
// sonar data arrive; it is opened with the same line settings as the head's.

#include <string>

#include "acquisition/ComPortNames.h"
#include "acquisition/Links.h"
#include "acquisition/qt/SerialDevice.h"

namespace sondrel {

class OrientationPort : public OrientationLink {
  public:
    // How COM numbers become devices; the default mapping without it.
    void setPortNames(ComPortResolver resolver) { portNames_ = std::move(resolver); }

    bool open(int comPort, int baud) override;
    bool isOpen() const override { return device_.isOpen(); }
    void close() override { device_.close(); }
    bool write(const std::uint8_t* data, std::size_t size) override;
    std::size_t read(std::uint8_t* dst, std::size_t max) override;
    std::size_t read(std::uint8_t* dst, std::size_t n, int timeoutMs) override;
    void purge() override;
    // A terminal keeps no error state that stops the line: nothing to clear.
    void clearErrors() override {}

    std::string devicePath() const { return device_.path(); }
    std::size_t bytesWaiting() const { return device_.bytesWaiting(); }

  private:
    ComPortResolver portNames_;
    SerialDevice device_;
};

}  // namespace sondrel
