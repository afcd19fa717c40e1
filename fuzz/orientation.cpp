// The orientation sentence parsers. The first byte chooses the sentence type
// (4 and above read as the crawler's); the rest is split at every 0xFF into
// the successive reads of one port, each at most as long as one read.
//
// Checks: every value stays a number a record can hold, and no status pane
// shows "nan", "inf" or a control character.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sondrel;
    if (size == 0) return 0;
    auto doc = std::make_unique<CSondrelDoc>();
    doc->link.sentenceType = data[0] % 5;
    doc->display.unitsFeet = (data[0] >> 3) & 1;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    while (!rest.empty()) {
        const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0xFF});
        const auto length = std::min<std::size_t>(static_cast<std::size_t>(end - rest.begin()),
                                                  kOrientationReadMax);
        // An exact-size copy lets the address sanitizer see a read past the bytes.
        auto read = std::make_unique<std::uint8_t[]>(length);
        std::copy_n(rest.begin(), length, read.get());
        parseOrientation(*doc, doc->link.sentenceType, {read.get(), length});
        fuzz::checkShownState(*doc);
        rest =
            rest.subspan(std::min(rest.size(), static_cast<std::size_t>(end - rest.begin()) + 1));
    }
    return 0;
}
