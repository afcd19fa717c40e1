#pragma once

#include <QString>
#include <string_view>

namespace sondrel {

// The core speaks UTF-8 std::string; the windows speak QString. Every text
// crosses here, so an encoding slip is mended once.
QString qs(std::string_view text);

}  // namespace sondrel
