#include "common/qt/QtText.h"

namespace sondrel {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace sondrel
