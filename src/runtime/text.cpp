#include "runtime/text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "runtime/fatal.h"

namespace clocktool {

namespace {

constexpr int kIndexTooLow = 4;
constexpr int kIndexTooHigh = 1;
const char kIndexTooLowMessage[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"
    "\xB1\xD8\xD0\xEB\xB4\xF3\xD3\xDA\xB5\xC8\xD3\xDA" "1";  // 数组成员引用下标必须大于等于1
const char kIndexTooHighMessage[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"
    "\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xB7\xB6\xCE\xA7";       // 数组成员引用下标超出定义范围
const char kModuloByZeroMessage[] =
    "\xB2\xBB\xC4\xDC\xC7\xF3\xD3\xE0\xCA\xFD\xD3\xDA\xC1\xE3";  // 不能求余数于零
const char kAllocationFailedBefore[] = "\xB7\xD6\xC5\xE4 ";             // "分配 "
const char kAllocationFailedAfter[] =
    " \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!";                  // " 字节内存失败!"

bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

unsigned char FoldCase(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// A lead byte that is the last byte of the text is no character: the walk ends there.
bool IsStrayLeadAt(std::string_view text, std::size_t at) {
    return at + 1 == text.size() && IsLeadByte(static_cast<unsigned char>(text[at]));
}

// --- fast searching ---
//
// The walks of FindText, FindTextReverse, ReplaceSubtext, SplitText and TrimBoth step
// one character at a time. Doing that byte by byte is slow, so they look for raw
// occurrences of the subtext with memchr and then ask whether an occurrence starts a
// character of the walk. That question needs only the bytes since the last place known
// to start a character: a byte below 0x80 is always followed by a character start (it is
// a character, or the trail byte of one), so only a run of bytes >= 0x80 in between has
// to be paired up.

// The eight-bytes-at-a-time scans below read the first byte of a word as its lowest.
static_assert(std::endian::native == std::endian::little);

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::size_t kGaveUp = kNone - 1;

// The first position r >= floor such that all of t[r, at) are bytes >= 0x80.
std::size_t RunStart(std::string_view t, std::size_t at, std::size_t floor) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    std::size_t r = at;
    for (; r - floor >= 8; r -= 8) {   // eight bytes at a time: any byte below 0x80 ends the run
        std::uint64_t word;
        std::memcpy(&word, t.data() + r - 8, 8);
        if (std::uint64_t below = ~word & kHighBits)
            return r - 8 + (63 - static_cast<std::size_t>(std::countl_zero(below))) / 8 + 1;   // little-endian
    }
    while (r > floor && IsLeadByte(static_cast<unsigned char>(t[r - 1]))) --r;
    return r;
}

// Answers, for increasing positions, whether the walk that starts at `known` starts a
// character there. Each question looks back at most to the previous answer, so a whole
// pass over the text stays linear.
class CharacterWalk {
public:
    CharacterWalk(std::string_view text, std::size_t start) : text_(text), known_(start) {}

    bool StartsCharacter(std::size_t at) {   // at >= every earlier question and restart
        bool starts = (at - RunStart(text_, at, known_)) % 2 == 0;
        known_ = starts ? at : at - 1;        // else at - 1 is the lead byte of a character
        return starts;
    }
    void Restart(std::size_t at) { known_ = at; }   // the walk goes on from here after a match

private:
    std::string_view text_;
    std::size_t known_;
};

// How common a byte is in the texts the program handles (headers, cookies, Chinese
// text): the search looks for the subtext's least common byte, so memchr stops rarely.
int Commonness(unsigned char byte) {
    auto among = [byte](const char* bytes) { return byte != 0 && std::strchr(bytes, byte) != nullptr; };
    if (byte >= 0x80) return 7;
    if (among("etaoinsrhlcdu ")) return 9;
    if (byte >= 'a' && byte <= 'z') return among("zqxjkv") ? 3 : 6;
    if (among("\r\n,.;=:/-")) return 5;
    if ((byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')) return 4;
    return 2;
}

int CommonnessIgnoringCase(unsigned char byte) {
    unsigned char upper = FoldCase(byte);
    if (upper < 'A' || upper > 'Z') return Commonness(byte);
    return std::max(Commonness(upper), Commonness(static_cast<unsigned char>(upper - 'A' + 'a'))) + 1;
}

// The next place of one byte value at or after a position, remembered between calls so
// that increasing questions scan each byte once.
class ByteFinder {
public:
    ByteFinder(std::string_view text, unsigned char byte) : text_(text), byte_(byte) {}

    std::size_t Next(std::size_t from, std::size_t end) {   // end stays the same for every call
        if (from < searchedFrom_ || (found_ != kNone && found_ < from)) {
            searchedFrom_ = from;
            const void* hit = from < end ? std::memchr(text_.data() + from, byte_, end - from) : nullptr;
            found_ = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data()) : kNone;
        }
        return found_;
    }

private:
    std::string_view text_;
    unsigned char byte_;
    std::size_t searchedFrom_ = kNone;
    std::size_t found_ = kNone;
};

// The raw occurrences of a subtext that lie wholly in t[0, end), in increasing order,
// ignoring the character walk. Candidates come from memchr on the subtext's least
// common byte; when the candidates cost more than a few comparisons per byte of text
// (a text built to defeat that), it goes over to Knuth-Morris-Pratt, which is linear.
class Occurrences {
public:
    Occurrences(std::string_view text, std::size_t end, std::string_view subtext, bool ignoreCase)
        : text_(text), end_(end), sub_(subtext), ignoreCase_(ignoreCase),
          first_(text, 0), second_(text, 0) {
        int best = 100;
        for (std::size_t i = 0; i < sub_.size(); ++i) {
            auto byte = static_cast<unsigned char>(sub_[i]);
            int commonness = ignoreCase_ ? CommonnessIgnoringCase(byte) : Commonness(byte);
            if (commonness < best) best = commonness, key_ = i;
        }
        auto key = static_cast<unsigned char>(sub_[key_]);
        bool letter = FoldCase(key) >= 'A' && FoldCase(key) <= 'Z';
        first_ = ByteFinder(text, ignoreCase_ && letter ? FoldCase(key) : key);
        twoKeys_ = ignoreCase_ && letter;
        if (twoKeys_) second_ = ByteFinder(text, static_cast<unsigned char>(FoldCase(key) - 'A' + 'a'));
    }

    // The first occurrence that starts at or after `from`, or kNone.
    std::size_t Next(std::size_t from) {
        if (end_ < sub_.size() || from > end_ - sub_.size()) return kNone;
        if (!table_.empty()) return NextByTable(from);
        if (origin_ == kNone) origin_ = from;
        std::size_t keyEnd = end_ - sub_.size() + key_ + 1;   // keys past this leave no room
        for (std::size_t at = from; at + sub_.size() <= end_;) {
            std::size_t hit = twoKeys_ ? std::min(first_.Next(at + key_, keyEnd), second_.Next(at + key_, keyEnd))
                                       : FindByte(at + key_, keyEnd);
            if (hit == kNone) return kNone;
            std::size_t candidate = hit - key_;
            if (Matches(candidate)) return candidate;
            at = candidate + 1;
            if (work_ > 8 * (at - origin_) + 4096) {
                BuildTable();
                return NextByTable(at);
            }
        }
        return kNone;
    }

private:
    unsigned char Fold(unsigned char byte) const { return ignoreCase_ ? FoldCase(byte) : byte; }
    unsigned char TextByte(std::size_t at) const { return Fold(static_cast<unsigned char>(text_[at])); }
    unsigned char SubByte(std::size_t at) const { return Fold(static_cast<unsigned char>(sub_[at])); }

    // One key needs no memory between calls: each search ends where the next begins.
    std::size_t FindByte(std::size_t from, std::size_t end) const {
        const void* hit = from < end ? std::memchr(text_.data() + from, sub_[key_], end - from) : nullptr;
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data()) : kNone;
    }

    bool Matches(std::size_t at) {
        for (std::size_t i = 0; i < sub_.size(); ++i) {
            ++work_;
            if (TextByte(at + i) != SubByte(i)) return false;
        }
        return true;
    }

    void BuildTable() {
        try {
            table_.assign(sub_.size(), 0);
        } catch (const std::bad_alloc&) {
            OutOfMemory(sub_.size() * sizeof(std::size_t));
        }
        for (std::size_t i = 1, k = 0; i < sub_.size(); ++i) {
            while (k > 0 && SubByte(i) != SubByte(k)) k = table_[k - 1];
            if (SubByte(i) == SubByte(k)) ++k;
            table_[i] = k;
        }
    }

    std::size_t NextByTable(std::size_t from) {
        std::size_t at = from, matched = 0;
        if (from == resumeFrom_) at = resumeAt_, matched = resumeMatched_;   // go on after the last match
        for (; at < end_; ++at) {
            while (matched > 0 && TextByte(at) != SubByte(matched)) matched = table_[matched - 1];
            if (TextByte(at) == SubByte(matched)) ++matched;
            if (matched == sub_.size()) {
                std::size_t start = at + 1 - sub_.size();
                resumeFrom_ = start + 1;
                resumeAt_ = at + 1;
                resumeMatched_ = table_[matched - 1];
                return start;
            }
        }
        return kNone;
    }

    std::string_view text_;
    std::size_t end_;
    std::string_view sub_;
    bool ignoreCase_;
    std::size_t key_ = 0;   // the subtext byte that memchr looks for
    bool twoKeys_ = false;  // a letter when case is ignored: both of its cases
    ByteFinder first_, second_;
    std::size_t origin_ = kNone, work_ = 0;
    std::vector<std::size_t> table_;   // Knuth-Morris-Pratt failure table, once needed
    std::size_t resumeFrom_ = kNone, resumeAt_ = 0, resumeMatched_ = 0;
};

// The last place before `end` that holds byte `a` or byte `b`, or kNone. Eight bytes
// at a time: a word's bytes equal to the one looked for become zero, and zero bytes
// are found exactly (no borrow between bytes) with the usual bit tricks.
std::size_t FindLastOf2(std::string_view t, std::size_t end, unsigned char a, unsigned char b) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kLow7 = 0x7F7F7F7F7F7F7F7Full;
    auto zeros = [](std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
    std::size_t at = end;
    for (; at >= 8; at -= 8) {
        std::uint64_t word;
        std::memcpy(&word, t.data() + at - 8, 8);
        std::uint64_t hits = zeros(word ^ (kOnes * a)) | zeros(word ^ (kOnes * b));
        if (hits) return at - 8 + (63 - static_cast<std::size_t>(std::countl_zero(hits))) / 8;   // little-endian
    }
    while (at-- > 0) {
        auto byte = static_cast<unsigned char>(t[at]);
        if (byte == a || byte == b) return at;
    }
    return kNone;
}

// FindTextReverse's usual path: look for occurrences from the end of the region
// backwards and take the first one on a character boundary of the walk from byte 1.
// Returns kGaveUp when near misses cost too much, so the caller can go the linear way.
std::size_t FindLastFromTheEnd(std::string_view t, std::size_t region, std::string_view sub, bool ignoreCase) {
    if (region < sub.size()) return kNone;
    auto same = [&](unsigned char a, unsigned char b) { return ignoreCase ? FoldCase(a) == FoldCase(b) : a == b; };
    std::size_t key = 0;
    int best = 100;
    for (std::size_t i = 0; i < sub.size(); ++i) {
        auto byte = static_cast<unsigned char>(sub[i]);
        int commonness = ignoreCase ? CommonnessIgnoringCase(byte) : Commonness(byte);
        if (commonness < best) best = commonness, key = i;
    }
    auto keyByte = static_cast<unsigned char>(sub[key]), otherCase = keyByte;
    if (ignoreCase && FoldCase(keyByte) >= 'A' && FoldCase(keyByte) <= 'Z') {
        keyByte = FoldCase(keyByte);
        otherCase = static_cast<unsigned char>(keyByte - 'A' + 'a');
    }
    std::size_t work = 0;
    // The run of lead bytes in front of the last candidate checked: later (smaller)
    // candidates inside it need no new look back.
    std::size_t runStart = kNone;
    for (std::size_t keyEnd = region - sub.size() + key + 1;;) {
        std::size_t hit = FindLastOf2(t, keyEnd, keyByte, otherCase);
        if (hit == kNone || hit < key) return kNone;
        std::size_t at = hit - key;
        keyEnd = hit;
        std::size_t i = 0;
        while (i < sub.size() && same(static_cast<unsigned char>(t[at + i]), static_cast<unsigned char>(sub[i]))) ++i;
        work += i + 1;
        if (work > 8 * (region - at) + 4096) return kGaveUp;
        if (i < sub.size()) continue;
        if (runStart == kNone || at < runStart) runStart = RunStart(t, at, 0);
        if ((at - runStart) % 2 != 0) continue;
        if (IsStrayLeadAt(t, at)) continue;   // the walk ends there; earlier ones still count
        return at;
    }
}

// Builds a string of `size` bytes' room, ending the program if memory runs out.
std::string ReserveBytes(std::size_t size) {
    std::string bytes;
    try {
        bytes.reserve(size);
    } catch (const std::bad_alloc&) {
        OutOfMemory(size + 1);
    }
    return bytes;
}

// An output that grows by doubling and is written with plain copies: ReplaceSubtext
// appends many small pieces, and std::string::append costs more than they do.
class Output {
public:
    explicit Output(std::size_t expected) { Grow(expected); }

    void Put(std::string_view bytes) {
        if (bytes.size() > bytes_.size() - used_) Grow(std::max(used_ + bytes.size(), bytes_.size() * 2));
        if (!bytes.empty()) std::memcpy(bytes_.data() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    std::string Take() && {
        bytes_.resize(used_);
        return std::move(bytes_);
    }

private:
    void Grow(std::size_t size) {
        try {
            bytes_.resize(size);
        } catch (const std::bad_alloc&) {
            OutOfMemory(size + 1);
        }
    }

    std::string bytes_;
    std::size_t used_ = 0;
};

void AppendMember(std::vector<Text>& members, Text&& member) {
    if (members.size() == members.capacity()) {
        std::size_t wanted = std::max<std::size_t>(4, members.capacity() * 2);
        try {
            members.reserve(wanted);
        } catch (const std::bad_alloc&) {
            OutOfMemory(wanted * sizeof(Text));
        }
    }
    members.push_back(std::move(member));
}

std::string CopyBytes(std::string_view bytes) {
    std::string copy = ReserveBytes(bytes.size());
    copy.assign(bytes);
    return copy;
}

[[noreturn]] void IndexError(int index, int detail1, int detail2) {
    if (index < 1) FatalError(kIndexTooLowMessage, kIndexTooLow, detail1, detail2);
    FatalError(kIndexTooHighMessage, kIndexTooHigh, detail1, detail2);
}

}  // namespace

// --- values ---

struct TextParts {
    static Text Of(std::string&& bytes) { return Text(std::move(bytes), Text::ZeroFree{}); }
    static Text Piece(std::string_view bytes) { return Of(CopyBytes(bytes)); }
};

Text::Text(const char* bytes) : bytes_(CopyBytes(bytes ? std::string_view(bytes) : std::string_view())) {}

Text::Text(std::string_view bytes) : bytes_(CopyBytes(bytes.substr(0, bytes.find('\0')))) {}

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) {
    if (auto zero = bytes_.find('\0'); zero != std::string::npos) bytes_.resize(zero);
}

Text::Text(const Text& other) : bytes_(CopyBytes(other.bytes_)) {}

Text& Text::operator=(const Text& other) {
    if (this != &other) bytes_ = CopyBytes(other.bytes_);
    return *this;
}

ByteString::ByteString(std::string_view bytes) : bytes_(CopyBytes(bytes)) {}

ByteString::ByteString(const ByteString& other) : bytes_(CopyBytes(other.bytes_)) {}

ByteString& ByteString::operator=(const ByteString& other) {
    if (this != &other) bytes_ = CopyBytes(other.bytes_);
    return *this;
}

void OutOfMemory(std::size_t bytes) {
    std::string message = kAllocationFailedBefore;
    message += std::to_string(bytes);
    message += kAllocationFailedAfter;
    FatalError(Text(std::move(message)), 0, 0, 0);
}

// --- text operations ---

int TextLength(const Text& text) { return static_cast<int>(text.size()); }

Text TextLeft(const Text& text, int n) {
    if (n <= 0) return {};
    return TextParts::Piece(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(const Text& text, int n) {
    if (n <= 0) return {};
    std::size_t keep = std::min(text.size(), static_cast<std::size_t>(n));
    return TextParts::Piece(text.view().substr(text.size() - keep));
}

Text TextMid(const Text& text, int start, int n) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
    return TextParts::Piece(text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

int FindText(const Text& text, const Text& subtext, std::optional<int> start, bool caseInsensitive) {
    std::string_view t = text.view(), sub = subtext.view();
    std::size_t from = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
    if (from >= t.size()) return -1;
    if (sub.empty()) return 1;
    Occurrences found(t, t.size(), sub, caseInsensitive);
    CharacterWalk walk(t, from);
    for (std::size_t at = found.Next(from); at != kNone; at = found.Next(at + 1)) {
        if (!walk.StartsCharacter(at)) continue;
        if (IsStrayLeadAt(t, at)) break;
        return static_cast<int>(at + 1);
    }
    return -1;
}

int FindTextReverse(const Text& text, const Text& subtext, std::optional<int> start, bool caseInsensitive) {
    std::string_view t = text.view(), sub = subtext.view();
    std::size_t region = t.size();
    if (start) region = *start <= 1 ? 0 : std::min(region, static_cast<std::size_t>(*start) - 1);
    if (region == 0) return -1;
    if (sub.empty()) return 1;
    if (std::size_t at = FindLastFromTheEnd(t, region, sub, caseInsensitive); at != kGaveUp)
        return at == kNone ? -1 : static_cast<int>(at + 1);
    // The backward search met too many near misses: walk forward instead, which is
    // linear whatever the text, and keep the last occurrence on a character boundary.
    Occurrences found(t, region, sub, caseInsensitive);
    CharacterWalk walk(t, 0);
    int last = -1;
    for (std::size_t at = found.Next(0); at != kNone; at = found.Next(at + 1)) {
        if (!walk.StartsCharacter(at)) continue;
        if (IsStrayLeadAt(t, at)) break;
        last = static_cast<int>(at + 1);
    }
    return last;
}

Text TrimBoth(const Text& text) {
    std::string_view t = text.view();
    auto byte = [&](std::size_t at) { return at < t.size() ? static_cast<unsigned char>(t[at]) : 0; };
    std::size_t begin = 0;
    for (;;) {
        if (byte(begin) == ' ') begin += 1;
        else if (byte(begin) == 0xA1 && byte(begin + 1) == 0xA1) begin += 2;
        else break;
    }
    if (begin >= t.size()) return {};
    // The end is taken from the back, but a blank counts only where the walk from `begin`
    // starts a character there; `end` is always such a place.
    std::size_t end = t.size();
    if ((end - RunStart(t, end, begin)) % 2 == 1) end -= 1;   // a lead byte that is the last byte goes
    while (end > begin) {
        if (byte(end - 1) == ' ' && (end - 1 - RunStart(t, end - 1, begin)) % 2 == 0) {
            end -= 1;
        } else if (end - begin >= 2 && byte(end - 1) == 0xA1 && byte(end - 2) == 0xA1) {
            end -= 2;   // both bytes lie in a run of lead bytes that pairs up towards `end`
        } else {
            break;
        }
    }
    return TextParts::Piece(t.substr(begin, end - begin));
}

Text ReplaceSubtext(const Text& text, const Text& subtext, const Text& replacement,
                    std::optional<int> start, std::optional<int> count, bool caseSensitive) {
    std::string_view t = text.view(), sub = subtext.view(), with = replacement.view();
    std::size_t from = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
    long long left = (count && *count >= 0) ? *count : -1;   // -1: no limit
    if (t.empty() || sub.empty() || from >= t.size() || left == 0) return text;

    Output out(t.size());
    Occurrences found(t, t.size(), sub, !caseSensitive);
    CharacterWalk walk(t, from);
    std::size_t copied = 0;   // t[0, copied) has been dealt with
    std::size_t at = found.Next(from);
    while (left != 0 && at != kNone) {
        if (!walk.StartsCharacter(at)) {
            at = found.Next(at + 1);
            continue;
        }
        if (IsStrayLeadAt(t, at)) break;
        out.Put(t.substr(copied, at - copied));
        out.Put(with);
        copied = at + sub.size();
        walk.Restart(copied);
        if (left > 0) --left;
        at = found.Next(copied);
    }
    std::size_t end = t.size();
    // The walk drops a lead byte that it reaches as the last byte while it still looks
    // for matches, which it only does there for a one-byte subtext.
    if (left != 0 && sub.size() == 1 && copied < end && IsStrayLeadAt(t, end - 1) && walk.StartsCharacter(end - 1))
        end -= 1;
    out.Put(t.substr(copied, end - copied));
    return TextParts::Of(std::move(out).Take());
}

TextArray SplitText(const Text& text, const Text& separator, std::optional<int> maxCount) {
    std::string_view t = text.view(), sep = separator.view();
    long long limit = maxCount ? std::max(*maxCount, 0) : -1;   // -1: no limit
    TextArray pieces;
    if (t.empty() || limit == 0) return pieces;
    auto& members = pieces.members();
    if (sep.empty()) {
        AppendMember(members, Text(text));
        return pieces;
    }
    Occurrences found(t, t.size(), sep, false);
    CharacterWalk walk(t, 0);
    std::size_t pieceStart = 0;
    for (std::size_t at = found.Next(0); at != kNone;) {
        if (!walk.StartsCharacter(at)) {
            at = found.Next(at + 1);
            continue;
        }
        if (IsStrayLeadAt(t, at)) break;
        AppendMember(members, TextParts::Piece(t.substr(pieceStart, at - pieceStart)));
        if (limit > 0 && static_cast<long long>(members.size()) == limit) return pieces;
        pieceStart = at + sep.size();
        walk.Restart(pieceStart);
        at = found.Next(pieceStart);
    }
    if (pieceStart < t.size()) AppendMember(members, TextParts::Piece(t.substr(pieceStart)));
    return pieces;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

Text ToUpperCase(const Text& text) {
    std::string out = CopyBytes(text.view());
    for (std::size_t at = 0; at < out.size();) {
        auto byte = static_cast<unsigned char>(out[at]);
        if (byte >= 'a' && byte <= 'z') out[at] = static_cast<char>(byte - 'a' + 'A');
        at += IsLeadByte(byte) ? 2 : 1;
    }
    return TextParts::Of(std::move(out));
}

int CharCode(const Text& text, std::optional<int> position) {
    int at = position.value_or(1);
    if (at < 1 || static_cast<std::size_t>(at) > text.size()) return 0;
    return static_cast<signed char>(text.view()[static_cast<std::size_t>(at) - 1]);
}

Text CharFromCode(int code) {
    char byte = static_cast<char>(code & 0xFF);
    return Text(std::string_view(&byte, 1));   // byte 0 gives the empty text
}

int CompareText(const Text& a, const Text& b) {
    int order = a.view().compare(b.view());   // char_traits<char> compares as unsigned char
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

namespace detail {

Text JoinTexts(std::initializer_list<const Text*> texts) {
    std::size_t total = 0;
    for (const Text* text : texts) total += text->size();
    std::string out = ReserveBytes(total);
    for (const Text* text : texts) out += text->view();
    return TextParts::Of(std::move(out));
}

ByteString JoinBytes(std::initializer_list<const ByteString*> parts) {
    std::size_t total = 0;
    for (const ByteString* part : parts) total += part->size();
    std::string out = ReserveBytes(total);
    for (const ByteString* part : parts) out += part->view();
    return ByteString(std::move(out));
}

}  // namespace detail

// --- byte-string operations ---

ByteString ToBytes(const Text& text) { return ByteString(text.view()); }

Text BytesToText(const ByteString& bytes) { return Text(bytes.view()); }

int BytesLength(const ByteString& bytes) { return static_cast<int>(bytes.size()); }

ByteString BytesMid(const ByteString& bytes, int start, int n) {
    long long begin = std::clamp<long long>(static_cast<long long>(start) - 1, 0, static_cast<long long>(bytes.size()));
    if (n <= 0) return {};
    return ByteString(bytes.view().substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(n)));
}

ByteString BlankBytes(int n) {
    if (n <= 0) return {};
    std::string zeros = ReserveBytes(static_cast<std::size_t>(n));
    zeros.resize(static_cast<std::size_t>(n), '\0');
    return ByteString(std::move(zeros));
}

bool CompareBytes(const ByteString& a, const ByteString& b) { return a.view() == b.view(); }

std::uint8_t ToByte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// --- array operations ---

int ArraySize(const TextArray& array) { return static_cast<int>(array.members().size()); }

void AppendToArray(TextArray& array, const Text& text) { AppendMember(array.members(), Text(text)); }

const Text& ArrayMember(const TextArray& array, int index, int detail1, int detail2) {
    if (index < 1 || static_cast<std::size_t>(index) > array.members().size()) IndexError(index, detail1, detail2);
    return array.members()[static_cast<std::size_t>(index) - 1];
}

Text& ArrayMember(TextArray& array, int index, int detail1, int detail2) {
    if (index < 1 || static_cast<std::size_t>(index) > array.members().size()) IndexError(index, detail1, detail2);
    return array.members()[static_cast<std::size_t>(index) - 1];
}

std::uint8_t ByteAt(const ByteString& bytes, int index, int detail1, int detail2) {
    if (index < 1 || static_cast<std::size_t>(index) > bytes.size()) IndexError(index, detail1, detail2);
    return bytes.data()[static_cast<std::size_t>(index) - 1];
}

// --- number operations ---

double Modulo(double a, double b) {
    if (b == 0) FatalError(kModuloByZeroMessage, 0, 0, 0);
    return std::fmod(a, b);   // the sign of a
}

std::int32_t ShiftLeft(std::int32_t value, int n) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << (n & 31));
}

std::int32_t ShiftRight(std::int32_t value, int n) { return value >> (n & 31); }   // arithmetic in C++20

std::int32_t BitAnd(std::int32_t a, std::int32_t b) { return a & b; }

}  // namespace clocktool
