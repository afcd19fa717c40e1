#pragma once
// The program's side of a reply from the simulated head, for tests and
// benchmarks that build replies themselves instead of running a link.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "acquisition/PingPath.h"
#include "acquisition/ReturnBlock.h"
#include "acquisition/SondrelDoc.h"

namespace sondrel::test {

// Hands a block to the document the way a link does, then sizes and decodes
// it; returns whether the header was valid.
inline bool receiveBlock(CSondrelDoc& doc, std::span<const std::uint8_t> block) {
    doc.link.receiveBuffer.fill(0);
    std::copy_n(block.begin(), std::min(block.size(), doc.link.receiveBuffer.size()),
                doc.link.receiveBuffer.begin());
    doc.link.noNewData = 0;
    return sizeCopyAndDecode(doc);
}

// The document's ping as the live path stamps it when it takes it in: with
// the settings the head is driven with and the readings of the moment. Tests
// set the document up by hand and record this.
inline Ping stampedPing(const CSondrelDoc& doc) {
    Ping ping = doc.ping;
    ping.settings = liveSettings(doc);
    ping.orientation = doc.orientation;
    return ping;
}

// A document that records a survey: records with orientation, a fixed date
// and time, the 1 m range.
inline std::unique_ptr<CSondrelDoc> surveyDocument() {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->link.prdEnable = 1;
    doc->ping.dateText = "09-DEC-2026";
    doc->ping.timeText = "10:00:00";
    doc->head.setRangeIndex(3);
    return doc;
}

}  // namespace sondrel::test
