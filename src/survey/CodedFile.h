#pragma once
// The survey as an EN 13508-2 coded text file, and its observations as a
// CSV table beside it. The coded file: the A lines (#A1 encoding, #A2
// language, #A3 separator, #A4 decimal mark, #A5 quote, #A6 the norm's year),
// #B01= the header codes filled and a line of their values, #C= the
// observation columns and one line per observation along the survey, #Z.
// Text is ISO-8859-1 (characters it cannot hold become '?'); a text holding
// the separator or the quote is quoted, the quote doubled.

#include <string>
#include <string_view>

namespace sondrel {

struct Survey;

inline constexpr std::string_view kCodedFileNormYear = "2011";
inline constexpr char kCodedSeparator = ';';
inline constexpr char kCodedQuote = '"';

// The observation columns written, in order.
inline constexpr std::string_view kObservationColumns = "I;A;B;C;D;E;F;G;H;J;K";

// "run.txt" -> "run-observations.csv".
std::string observationsCsvPathFor(const std::string& codedFile);

std::string codedFileText(const Survey& survey);
std::string observationsCsvText(const Survey& survey);
// UTF-8 to ISO-8859-1, '?' for what it cannot hold (and for broken UTF-8).
std::string latin1(std::string_view utf8);

// Writes the coded file and the observations CSV beside it; empty on
// success, else the message naming the file and the reason, and neither
// file is left behind.
std::string writeCodedFile(const Survey& survey, const std::string& codedFile);

}  // namespace sondrel
