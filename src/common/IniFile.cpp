#include "common/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace sondrel {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

bool isBlank(char c) {
    return kBlanks.find(c) != std::string_view::npos;
}
bool isSpace(char c) {
    return c == '\n' || isBlank(c);
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool isBlankLine(std::string_view raw) {
    return raw.find_first_not_of(kBlanks) == raw.npos;
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

bool enclosedInQuotes(std::string_view text) {
    return text.size() >= 2 && isQuote(text.front()) && text.front() == text.back();
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
bool isLeadByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0xC0;
}

// Cuts text to at most limit bytes without splitting a UTF-8 sequence.
std::string_view cutToLimit(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    if (isContinuationByte(text[end])) {
        // The first byte dropped continues a sequence: drop all of that sequence.
        std::size_t start = end;
        while (start > 0 && end - start < 3 && isContinuationByte(text[start - 1])) --start;
        if (start > 0 && isLeadByte(text[start - 1])) end = start - 1;
    }
    return text.substr(0, end);
}

// What setValue stores for a value: one line that reads back as the same text.
std::string encodedValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
    }
    const bool needsQuotes =
        !out.empty() && (isBlank(out.front()) || isBlank(out.back()) || enclosedInQuotes(out));
    if (needsQuotes) out = '"' + out + '"';
    return out;
}

bool writeAll(int fd, std::string_view data, off_t offset) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string parentFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Writes data to a new file beside target and renames it over target, so that a
// crash leaves either the old file or the new one. old describes the file being
// replaced (null when there is none); its owner and mode are carried over, and
// when they cannot be the replacement is abandoned.
bool replaceAtomically(const std::string& target, std::string_view data, const struct stat* old) {
    static std::atomic<unsigned> serial{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = true;
    if (old) {
        struct stat made {};
        ok = ::fstat(fd, &made) == 0;
        if (ok && (made.st_uid != old->st_uid || made.st_gid != old->st_gid)) {
            ok = ::fchown(fd, old->st_uid, old->st_gid) == 0;
        }
        if (ok) ok = ::fchmod(fd, old->st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd, data, 0) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    syncFolder(parentFolder(target));
    return true;
}

// Overwrites the file itself. Writing over the old bytes before cutting the
// file to length means a full disk fails the write without first emptying it.
bool writeInPlace(const std::string& target, std::string_view data) {
    const int fd =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    ok = ok && writeAll(fd, data, 0) && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 &&
         ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

}  // namespace

// ---------------------------------------------------------------- numbers

namespace {

// Skips leading blanks and one sign; returns whether the sign was a minus.
bool skipBlanksAndSign(std::string_view text, std::size_t& i) {
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
    return false;
}

}  // namespace

int parseLeadingInt(std::string_view text) {
    std::size_t i = 0;
    const bool negative = skipBlanksAndSign(text, i);
    // Accumulate well past the int range, then saturate once.
    constexpr long long kCap = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kCap);
    }
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double parseLeadingReal(std::string_view text) {
    std::size_t i = 0;
    const bool negative = skipBlanksAndSign(text, i);
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    const std::size_t intEnd = i;
    std::size_t fracStart = i, fracEnd = i;
    if (i < text.size() && text[i] == '.') {
        fracStart = ++i;
        while (i < text.size() && isDigit(text[i])) ++i;
        fracEnd = i;
    }
    if (intEnd == start && fracEnd == fracStart) return 0.0;

    // An exponent counts only when digits follow the 'e' and its sign.
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            for (; j < text.size() && isDigit(text[j]); ++j) {
                exponent = std::min(exponent * 10 + (text[j] - '0'), 1'000'000'000LL);
            }
            if (expNegative) exponent = -exponent;
            i = j;
        }
    }

    const std::string_view number = text.substr(start, i - start);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                           std::chars_format::general);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the decimal magnitude tells which.
        const std::string_view intDigits = text.substr(start, intEnd - start);
        const std::string_view fracDigits = text.substr(fracStart, fracEnd - fracStart);
        long long magnitude = 0;
        const std::size_t firstInt = intDigits.find_first_not_of('0');
        if (firstInt != std::string_view::npos) {
            magnitude = static_cast<long long>(intDigits.size() - firstInt) + exponent;
        } else {
            const std::size_t firstFrac = fracDigits.find_first_not_of('0');
            magnitude = firstFrac == std::string_view::npos
                            ? LLONG_MIN / 2
                            : exponent - static_cast<long long>(firstFrac);
        }
        value = magnitude > 0 ? std::numeric_limits<double>::max() : 0.0;
    } else if (ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::string formatFixed(double value, int decimals) {
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

// ---------------------------------------------------------------- the file

IniFile::Line IniFile::classify(std::string raw) {
    Line line;
    line.raw = std::move(raw);
    const std::string_view text = line.raw;
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos || text[first] == ';' || text[first] == '#') return line;
    if (text[first] == '[') {
        const std::size_t close = text.find(']', first + 1);
        if (close == std::string_view::npos) return line;
        line.kind = Kind::Section;
        line.name = lowerCopy(trimmed(text.substr(first + 1, close - first - 1)));
        return line;
    }
    const std::size_t equals = text.find('=', first);
    if (equals == std::string_view::npos) return line;
    const std::string_view key = trimmed(text.substr(first, equals - first));
    if (key.empty()) return line;
    line.kind = Kind::Key;
    line.name = lowerCopy(key);
    line.keyEnd = first + key.size();
    line.valueAt = equals + 1;
    return line;
}

void IniFile::parse(std::string_view text) {
    lines_.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        lines_.push_back(classify(std::string(raw)));
        pos = next;
    }
}

std::string IniFile::text() const {
    std::size_t size = 0;
    for (const Line& line : lines_) size += line.raw.size() + 2;
    std::string out;
    out.reserve(size);
    for (const Line& line : lines_) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

IniFile::LoadResult IniFile::load(const std::string& path) {
    lines_.clear();
    // Non-blocking so that a FIFO named as the settings file cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? LoadResult::Missing : LoadResult::Unreadable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uintmax_t>(st.st_size) > kMaxIniFileSize) {
        ::close(fd);
        return LoadResult::Unreadable;
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
        if (data.size() > kMaxIniFileSize) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    if (!ok) return LoadResult::Unreadable;
    parse(data);
    return LoadResult::Loaded;
}

bool IniFile::save(const std::string& path, std::string* reason) const {
    errno = 0;
    if (saveTo(path)) return true;
    if (reason) {
        *reason = errno == EINVAL ? std::string("not a regular file")
                  : errno != 0    ? std::string(std::strerror(errno))
                                  : std::string("the file could not be written");
    }
    return false;
}

bool IniFile::saveTo(const std::string& path) const {
    const std::string data = text();
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points at and keep the link.
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved) return writeInPlace(path, data);  // dangling: creates its target
        target = resolved;
        std::free(resolved);
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            errno = EINVAL;
            return false;
        }
        // A read-only settings file is the operator's way of freezing it.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
    }
    // Renaming would split a hard link, so such a file is written in place.
    if ((!exists || st.st_nlink <= 1) && replaceAtomically(target, data, exists ? &st : nullptr)) {
        return true;
    }
    return writeInPlace(target, data);
}

// ---------------------------------------------------------------- keys

std::size_t IniFile::find(std::string_view section, std::string_view key) const {
    const std::string wantedSection = lowerCopy(trimmed(section));
    const std::string wantedKey = lowerCopy(trimmed(key));
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            inSection = line.name == wantedSection;
        } else if (inSection && line.kind == Kind::Key && line.name == wantedKey) {
            return i;
        }
    }
    return std::string::npos;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const std::size_t index = find(section, key);
    if (index == std::string::npos) return std::nullopt;
    const Line& line = lines_[index];
    std::string_view text = trimmed(std::string_view(line.raw).substr(line.valueAt));
    if (enclosedInQuotes(text)) text = text.substr(1, text.size() - 2);
    return std::string(cutToLimit(text, kMaxIniValueLength));
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    std::optional<std::string> text = value(section, key);
    return text ? std::move(*text) : std::string(fallback);
}

int IniFile::readInt(std::string_view section, std::string_view key, int fallback) const {
    const std::optional<std::string> text = value(section, key);
    return text ? parseLeadingInt(*text) : fallback;
}

double IniFile::readReal(std::string_view section, std::string_view key, double fallback) const {
    const std::optional<std::string> text = value(section, key);
    return text ? parseLeadingReal(*text) : fallback;
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string encoded = encodedValue(value);
    const std::size_t index = find(section, key);
    if (index != std::string::npos) {
        Line& line = lines_[index];
        // Keep the key as the file spells it.
        line.raw.resize(line.keyEnd);
        line.raw += '=';
        line.raw += encoded;
        line.valueAt = line.keyEnd + 1;
        return;
    }

    const std::string wantedSection = lowerCopy(trimmed(section));
    std::string keyLine = std::string(trimmed(key)) + '=' + encoded;
    std::size_t header = std::string::npos;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && lines_[i].name == wantedSection) {
            header = i;
            break;
        }
    }
    if (header == std::string::npos) {
        if (!lines_.empty() && !isBlankLine(lines_.back().raw)) lines_.push_back(classify(""));
        lines_.push_back(classify('[' + std::string(trimmed(section)) + ']'));
        lines_.push_back(classify(std::move(keyLine)));
        return;
    }
    // After the section's last non-blank line, so a blank line before the next
    // section stays where it is.
    std::size_t last = header;
    for (std::size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
        if (!isBlankLine(lines_[i].raw)) last = i;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1),
                  classify(std::move(keyLine)));
}

void IniFile::setInt(std::string_view section, std::string_view key, long long value) {
    setValue(section, key, std::to_string(value));
}

void IniFile::setReal(std::string_view section, std::string_view key, double value, int decimals) {
    setValue(section, key, formatFixed(value, decimals));
}

}  // namespace sondrel
