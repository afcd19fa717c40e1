#pragma once
// What the operator is told when a data or export file cannot be opened or
// written. Recording, capture and the XYZ conversion all word these the same.

#include <string>

namespace sondrel {

// The file layer's own message for a failed create or open: a specific text for
// the causes an operator can act on, "Failed to open document." otherwise.
std::string fileOpenFailureText(const std::string& path, int error);

// A data file that cannot be played: the file layer's "Error opening file !   "
// followed by the file and the reason.
std::string playbackOpenFailureText(const std::string& path, const std::string& reason);

// A write that failed part-way (full disk, file too large, device gone).
std::string fileWriteFailureText(const std::string& path, const std::string& reason,
                                 const std::string& consequence);

}  // namespace sondrel
