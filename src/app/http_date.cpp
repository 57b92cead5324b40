#include "app/http_date.h"

#include <array>
#include <chrono>
#include <optional>
#include <string_view>

namespace clocktool {
namespace {

// Names are matched in full or by their first three letters, ignoring ASCII case.
constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March", "April", "May", "June",
    "July", "August", "September", "October", "November", "December"};

constexpr std::array<std::string_view, 7> kWeekdayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Zones that name GMT, and zones known to lie elsewhere: a date in one of those would
// be misread as GMT, so it fails instead. Any other word after the time is ignored.
constexpr std::array<std::string_view, 4> kGmtZones = {"GMT", "UTC", "UT", "Z"};
constexpr std::array<std::string_view, 8> kOtherZones = {"EST", "EDT", "CST", "CDT", "MST", "MDT", "PST", "PDT"};

// Two-digit years lie in the hundred years that end 50 years after the current year.
constexpr int kTwoDigitYearsAhead = 50;

// A weekday and the four tokens of date and time; the text after them is not split.
constexpr int kMaxTokens = 5;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The 0-based position of `word` in `names`, matched in full or by three letters.
template <std::size_t N>
std::optional<int> FindName(const std::array<std::string_view, N>& names, std::string_view word) {
    for (std::size_t i = 0; i < N; ++i) {
        if (EqualIgnoringCase(word, names[i]) || EqualIgnoringCase(word, names[i].substr(0, 3))) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

template <std::size_t N>
bool IsOneOf(const std::array<std::string_view, N>& names, std::string_view word) {
    for (std::string_view name : names) {
        if (EqualIgnoringCase(word, name)) return true;
    }
    return false;
}

struct Number {
    int value = 0;
    int digits = 0;
};

struct Token {
    enum Kind { kWord, kNumber, kTime } kind = kWord;
    std::string_view word;
    Number number;                  // kNumber
    Number hour, minute, second;    // kTime; second.digits is 0 when there are no seconds
    std::size_t end = 0;            // the position after the token
};

Number ReadNumber(std::string_view text, std::size_t& pos) {
    Number n;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos, ++n.digits) {
        if (n.digits < 9) n.value = n.value * 10 + (text[pos] - '0');   // longer runs fail as too long
    }
    return n;
}

bool StartsNumberAfterColon(std::string_view text, std::size_t pos) {
    return pos + 1 < text.size() && text[pos] == ':' && IsDigit(text[pos + 1]);
}

// Splits the start of the text into words, numbers and times (h:m or h:m:s). Anything
// else (blanks, commas, hyphens, slashes, other bytes) only separates them.
int Tokenize(std::string_view text, std::array<Token, kMaxTokens>& tokens) {
    int count = 0;
    std::size_t pos = 0;
    while (count < kMaxTokens) {
        while (pos < text.size() && !IsDigit(text[pos]) && !IsLetter(text[pos])) ++pos;
        if (pos == text.size()) break;
        Token& t = tokens[count++];
        if (IsLetter(text[pos])) {
            const std::size_t start = pos;
            while (pos < text.size() && IsLetter(text[pos])) ++pos;
            t.kind = Token::kWord;
            t.word = text.substr(start, pos - start);
        } else {
            t.number = ReadNumber(text, pos);
            t.kind = Token::kNumber;
            if (StartsNumberAfterColon(text, pos)) {
                t.kind = Token::kTime;
                t.hour = t.number;
                t.minute = ReadNumber(text, ++pos);
                if (StartsNumberAfterColon(text, pos)) t.second = ReadNumber(text, ++pos);
            }
        }
        t.end = pos;
    }
    return count;
}

// The date and time as the text writes them, before any range is checked.
struct RawDate {
    Number day, month, year;
    Number hour, minute, second;
    std::size_t end = 0;   // the position after the last field
};

// The orders in which the fields may stand, each as four tokens.
enum Role { kDay, kMonthName, kMonthNumber, kYear, kTime };
constexpr Role kForms[][4] = {
    {kDay, kMonthName, kYear, kTime},     // "06 Nov 1994 08:49:37", "06-Nov-94 08:49:37"
    {kMonthName, kDay, kTime, kYear},     // "Nov  6 08:49:37 1994"
    {kDay, kMonthNumber, kYear, kTime},   // "06 11 1994 08:49:37"
};

std::optional<RawDate> MatchForm(const Role (&form)[4], const std::array<Token, kMaxTokens>& tokens, int count,
                                 int first) {
    if (first + 4 > count) return std::nullopt;
    RawDate raw;
    for (int i = 0; i < 4; ++i) {
        const Token& t = tokens[first + i];
        const Token::Kind wanted = form[i] == kMonthName ? Token::kWord : form[i] == kTime ? Token::kTime : Token::kNumber;
        if (t.kind != wanted) return std::nullopt;
        switch (form[i]) {
        case kDay: raw.day = t.number; break;
        case kMonthNumber: raw.month = t.number; break;
        case kYear: raw.year = t.number; break;
        case kMonthName: {
            const std::optional<int> month = FindName(kMonthNames, t.word);
            if (!month) return std::nullopt;
            raw.month = Number{*month + 1, 2};
            break;
        }
        case kTime:
            raw.hour = t.hour;
            raw.minute = t.minute;
            raw.second = t.second;
            break;
        }
        raw.end = t.end;
    }
    return raw;
}

std::optional<RawDate> MatchAnyForm(const std::array<Token, kMaxTokens>& tokens, int count, int first) {
    for (const auto& form : kForms) {
        if (std::optional<RawDate> raw = MatchForm(form, tokens, count, first)) return raw;
    }
    return std::nullopt;
}

// False when the text right after the date names a zone other than GMT.
bool ZoneIsGmt(std::string_view text, std::size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    const std::string_view rest = text.substr(pos);
    if (rest.size() >= 2 && (rest[0] == '+' || rest[0] == '-') && IsDigit(rest[1])) {
        std::size_t digits = 1;
        while (digits < rest.size() && IsDigit(rest[digits])) ++digits;
        return rest.substr(1, digits - 1).find_first_not_of('0') == std::string_view::npos;   // +0000
    }
    std::size_t letters = 0;
    while (letters < rest.size() && IsLetter(rest[letters])) ++letters;
    const std::string_view word = rest.substr(0, letters);
    return IsOneOf(kGmtZones, word) || !IsOneOf(kOtherZones, word);
}

bool HasDigits(Number n, int least, int most) {
    return n.digits >= least && n.digits <= most;
}

// A two-digit year becomes the year with those digits that lies at most 50 years after
// and less than 50 years before the current year.
int FullYear(int twoDigits, int currentYear) {
    int year = currentYear - currentYear % 100 + twoDigits;
    if (year > currentYear + kTwoDigitYearsAhead) year -= 100;
    else if (year <= currentYear + kTwoDigitYearsAhead - 100) year += 100;
    return year;
}

}  // namespace

int CurrentUtcYear() {
    using namespace std::chrono;
    const year_month_day today{floor<days>(system_clock::now())};
    return static_cast<int>(today.year());
}

bool ParseHttpDate(const Text& text, SystemTimeFields& fields, int currentYear) {
    std::array<Token, kMaxTokens> tokens;
    const int count = Tokenize(text.view(), tokens);

    // The weekday: a name, or a number 0-6 when the fields only fit after it.
    int first = 0;
    if (count > 0 && tokens[0].kind == Token::kWord && FindName(kWeekdayNames, tokens[0].word)) first = 1;
    std::optional<RawDate> raw = MatchAnyForm(tokens, count, first);
    if (!raw && first == 0 && count > 0 && tokens[0].kind == Token::kNumber && tokens[0].number.digits == 1 &&
        tokens[0].number.value <= 6) {
        raw = MatchAnyForm(tokens, count, 1);
    }
    if (!raw || !ZoneIsGmt(text.view(), raw->end)) return false;

    int year = raw->year.value;
    if (raw->year.digits == 2) {
        year = FullYear(year, currentYear);
    } else if (raw->year.digits != 4 || year < 1) {
        return false;
    }
    const int month = raw->month.value;
    const int day = raw->day.value;
    const bool secondsGiven = raw->second.digits > 0;
    if (!HasDigits(raw->month, 1, 2) || month < 1 || month > 12) return false;
    if (!HasDigits(raw->day, 1, 2) || day < 1 || day > DaysInMonth(year, month)) return false;
    if (!HasDigits(raw->hour, 1, 2) || raw->hour.value > 23) return false;
    if (!HasDigits(raw->minute, 1, 2) || raw->minute.value > 59) return false;
    if (secondsGiven && (!HasDigits(raw->second, 1, 2) || raw->second.value > 60)) return false;

    fields.year = year;
    fields.month = month;
    fields.day = day;
    fields.dayOfWeek = DayOfWeek(year, month, day);
    fields.hour = raw->hour.value;
    fields.minute = raw->minute.value;
    // A leap second stays in its minute rather than rolling the date forward.
    fields.second = raw->second.value == 60 ? 59 : raw->second.value;
    fields.milliseconds = 0;
    return true;
}

}  // namespace clocktool
