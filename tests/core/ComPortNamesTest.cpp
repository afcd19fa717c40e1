// COM numbers to devices: the default mapping and the settings file's overrides.

#include <gtest/gtest.h>

#include "acquisition/ComPortNames.h"
#include "common/IniFile.h"
#include "support/TempFolder.h"

#include <sys/stat.h>

namespace sondrel {
namespace {

TEST(ComPortNames, NumbersMapToSerialDevicesCountedFromZero) {
    ComPortMap map;
    EXPECT_EQ(map.deviceFor(1), "/dev/ttyS0");
    EXPECT_EQ(map.deviceFor(2), "/dev/ttyS1");
    EXPECT_EQ(map.deviceFor(256), "/dev/ttyS255");
    EXPECT_EQ(map.deviceFor(0), "");
    EXPECT_EQ(map.deviceFor(257), "");
    EXPECT_EQ(map.deviceFor(-3), "");
}

TEST(ComPortNames, SettingsFileOverridesSingleNumbers) {
    IniFile ini;
    ini.parse(
        "[System Settings]\r\nSonarComPort=3\r\n"
        "[com ports]\r\n"
        "com3 = /dev/ttyUSB0\r\n"
        "COM4=pts/7\r\n"
        "COM5=\r\n"
        "COM6=  /dev/serial/by-id/usb-head  \r\n"
        "COM0=/dev/null\r\n"
        "COM257=/dev/null\r\n"
        "COM1x=/dev/null\r\n");

    const ComPortMap map = ComPortMap::fromSettings(ini);

    EXPECT_EQ(map.deviceFor(3), "/dev/ttyUSB0");
    EXPECT_EQ(map.deviceFor(4), "/dev/pts/7");
    EXPECT_EQ(map.deviceFor(5), "/dev/ttyS4");
    EXPECT_EQ(map.deviceFor(6), "/dev/serial/by-id/usb-head");
    EXPECT_EQ(map.deviceFor(1), "/dev/ttyS0");
    EXPECT_EQ(map.deviceFor(0), "");
    EXPECT_EQ(map.deviceFor(257), "");
}

TEST(ComPortNames, ResolverReadsTheFileAtEveryOpen) {
    test::TempFolder folder;
    const std::string path = folder.file("Sondrel.INI");
    const ComPortResolver resolve = comPortResolverFor(path);

    EXPECT_EQ(resolve(2), "/dev/ttyS1");  // no file yet
    folder.write("Sondrel.INI", "[COM Ports]\nCOM2=/dev/ttyACM0\n");
    EXPECT_EQ(resolve(2), "/dev/ttyACM0");
    folder.write("Sondrel.INI", "[COM Ports]\nCOM2=/dev/ttyUSB1\n");
    EXPECT_EQ(resolve(2), "/dev/ttyUSB1");
}

// An entry may name anything; only character devices (and names that do not
// exist yet, whose open says why) are ever opened.
TEST(ComPortNames, EntriesNamingNoDeviceAreRefused) {
    test::TempFolder folder;
    const std::string file = folder.write("survey.qzr", "data");
    const std::string pipe = folder.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    IniFile ini;
    ini.parse("[COM Ports]\nCOM2=" + file + "\nCOM3=" + folder.path() + "\nCOM4=" + pipe +
              "\nCOM5=/dev/null\nCOM6=/dev/ttyUSB-not-there\n");
    const ComPortMap map = ComPortMap::fromSettings(ini);
    EXPECT_EQ(map.refusedPorts(), (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(isRefusedComDevice(file));
    EXPECT_FALSE(isRefusedComDevice("/dev/null"));
    EXPECT_FALSE(isRefusedComDevice("/dev/ttyUSB-not-there"));
    EXPECT_EQ(test::readBytes(file), "data");
}

TEST(ComPortNames, ComTextsParseToTheirNumbers) {
    EXPECT_EQ(comPortName(12), "COM12");
    EXPECT_EQ(parseComPortName("COM12"), 12);
    EXPECT_EQ(parseComPortName("com7"), 7);
    EXPECT_EQ(parseComPortName("COM300"), 300);  // range is the caller's to check
    EXPECT_FALSE(parseComPortName("COM"));
    EXPECT_FALSE(parseComPortName("COM 1"));
    EXPECT_FALSE(parseComPortName("LPT1"));
    EXPECT_FALSE(parseComPortName("COM1234567890"));
}

}  // namespace
}  // namespace sondrel
