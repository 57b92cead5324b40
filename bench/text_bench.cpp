// Each job is measured twice in the same run: through the text run-time ("ours") and
// through the standard library or libc doing the same job ("baseline"). bench.sh pairs
// them up by name and prints the ratio of their throughputs. Both read the very same
// buffer (the bytes of a Text): copies are sensitive to where source and target lie
// relative to each other, so two different buffers would not make a fair pair.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/text.h"
#include "textutil/base64.h"

namespace clocktool {
namespace {

constexpr std::size_t kMiB = 1 << 20;

// Header-like lines of ASCII words mixed with two-byte GBK characters, CR LF ended.
const std::string& MixedText(std::size_t size) {
    static std::string cache[2];
    std::string& text = cache[size == kMiB ? 0 : 1];
    if (text.size() == size) return text;
    std::mt19937 random(7);
    static const char* const kWords[] = {"Accept", "text/html", "cookie", "sid=42", "path=/", "en-US",
                                         "Mozilla/4.0", "GMT", "value", "q=0.9", "max-age=3600", "Thu,"};
    text.clear();
    while (text.size() < size) {
        for (int words = 3 + random() % 8; words > 0; --words) {
            if (random() % 3 == 0) {
                for (int n = 1 + random() % 4; n > 0; --n) {   // GBK: lead B0..F7, trail A1..FE
                    text += static_cast<char>(0xB0 + random() % 0x48);
                    text += static_cast<char>(0xA1 + random() % 0x5E);
                }
            } else {
                text += kWords[random() % std::size(kWords)];
            }
            text += random() % 4 == 0 ? "; " : " ";
        }
        text += "\r\n";
    }
    text.resize(size);
    if (static_cast<unsigned char>(text.back()) >= 0x80) text.back() = '.';
    return text;
}

void Sizes(benchmark::internal::Benchmark* b) { b->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond); }

void Processed(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * kMiB);
}

// ---- FindText, case exact: a needle that is absent, so the whole text is read.
const char kAbsent[] = "Set-Cookie: zzz";
const char kAbsentUpper[] = "SET-COOKIE: ZZZ";

void FindTextExact_ours(benchmark::State& state) {
    const Text text(MixedText(state.range(0) * kMiB)), needle(kAbsent);
    for (auto _ : state) benchmark::DoNotOptimize(FindText(text, needle, {}, false));
    Processed(state);
}
void FindTextExact_baseline(benchmark::State& state) {   // glibc memmem
    const Text input(MixedText(state.range(0) * kMiB));
    std::string_view text = input.view();
    for (auto _ : state)
        benchmark::DoNotOptimize(memmem(text.data(), text.size(), kAbsent, sizeof kAbsent - 1));
    Processed(state);
}
BENCHMARK(FindTextExact_ours)->Apply(Sizes);
BENCHMARK(FindTextExact_baseline)->Apply(Sizes);

// ---- FindText ignoring case.
void FindTextIgnoringCase_ours(benchmark::State& state) {
    const Text text(MixedText(state.range(0) * kMiB)), needle(kAbsentUpper);
    for (auto _ : state) benchmark::DoNotOptimize(FindText(text, needle, {}, true));
    Processed(state);
}
unsigned char Fold(unsigned char b) { return (b >= 'a' && b <= 'z') ? b - 'a' + 'A' : b; }
void FindTextIgnoringCase_baseline(benchmark::State& state) {   // a plain loop folding ASCII letters
    const Text input(MixedText(state.range(0) * kMiB));
    std::string_view text = input.view(), needle = kAbsentUpper;
    for (auto _ : state) {
        std::size_t found = std::string::npos;
        for (std::size_t at = 0; at + needle.size() <= text.size() && found == std::string::npos; ++at) {
            std::size_t i = 0;
            while (i < needle.size() && Fold(text[at + i]) == Fold(needle[i])) ++i;
            if (i == needle.size()) found = at;
        }
        benchmark::DoNotOptimize(found);
    }
    Processed(state);
}
BENCHMARK(FindTextIgnoringCase_ours)->Apply(Sizes);
BENCHMARK(FindTextIgnoringCase_baseline)->Apply(Sizes);

// ---- FindTextReverse: absent again, so the whole text is read.
void FindTextReverse_ours(benchmark::State& state) {
    const Text text(MixedText(state.range(0) * kMiB)), needle(kAbsent);
    for (auto _ : state) benchmark::DoNotOptimize(FindTextReverse(text, needle, {}, false));
    Processed(state);
}
void FindTextReverse_baseline(benchmark::State& state) {   // std::string_view::rfind
    const Text input(MixedText(state.range(0) * kMiB));
    std::string_view text = input.view();
    for (auto _ : state) benchmark::DoNotOptimize(text.rfind(kAbsent));
    Processed(state);
}
BENCHMARK(FindTextReverse_ours)->Apply(Sizes);
BENCHMARK(FindTextReverse_baseline)->Apply(Sizes);

// ---- ReplaceSubtext: every "; " becomes "&".
void ReplaceSubtext_ours(benchmark::State& state) {
    const Text text(MixedText(state.range(0) * kMiB)), from("; "), to("&");
    for (auto _ : state) benchmark::DoNotOptimize(ReplaceSubtext(text, from, to, {}, {}, true));
    Processed(state);
}
void ReplaceSubtext_baseline(benchmark::State& state) {   // std::string_view::find and append
    const Text input(MixedText(state.range(0) * kMiB));
    std::string_view text = input.view();
    for (auto _ : state) {
        std::string out;
        out.reserve(text.size());
        std::size_t copied = 0;
        for (std::size_t at = text.find("; "); at != std::string_view::npos; at = text.find("; ", copied)) {
            out.append(text.substr(copied, at - copied)).append("&");
            copied = at + 2;
        }
        out.append(text.substr(copied));
        benchmark::DoNotOptimize(out);
    }
    Processed(state);
}
BENCHMARK(ReplaceSubtext_ours)->Apply(Sizes);
BENCHMARK(ReplaceSubtext_baseline)->Apply(Sizes);

// ---- TrimBoth: blanks at both ends of the whole text; the result is a copy.
const std::string& Padded(std::size_t size) {
    static std::string cache[2];
    std::string& text = cache[size == kMiB ? 0 : 1];
    if (text.empty()) text = "    " + MixedText(size).substr(8) + "    ";
    return text;
}
void TrimBoth_ours(benchmark::State& state) {
    const Text text(Padded(state.range(0) * kMiB));
    for (auto _ : state) benchmark::DoNotOptimize(TrimBoth(text));
    Processed(state);
}
void TrimBoth_baseline(benchmark::State& state) {   // find_first_not_of / find_last_not_of and a copy
    const Text input(Padded(state.range(0) * kMiB));
    std::string_view text = input.view();
    for (auto _ : state) {
        std::size_t begin = text.find_first_not_of(' ');
        std::size_t end = text.find_last_not_of(' ');
        benchmark::DoNotOptimize(std::string(text.substr(begin, end + 1 - begin)));
    }
    Processed(state);
}
BENCHMARK(TrimBoth_ours)->Apply(Sizes);
BENCHMARK(TrimBoth_baseline)->Apply(Sizes);

// ---- SplitText at CR LF into pieces.
void SplitText_ours(benchmark::State& state) {
    const Text text(MixedText(state.range(0) * kMiB)), separator("\r\n");
    for (auto _ : state) benchmark::DoNotOptimize(SplitText(text, separator));
    Processed(state);
}
void SplitText_baseline(benchmark::State& state) {   // std::string pieces cut with string_view::find
    const Text input(MixedText(state.range(0) * kMiB));
    std::string_view text = input.view();
    for (auto _ : state) {
        std::vector<std::string> pieces;
        std::size_t begin = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", begin)) {
            pieces.emplace_back(text.substr(begin, at - begin));
            begin = at + 2;
        }
        if (begin < text.size()) pieces.emplace_back(text.substr(begin));
        benchmark::DoNotOptimize(pieces);
    }
    Processed(state);
}
BENCHMARK(SplitText_ours)->Apply(Sizes);
BENCHMARK(SplitText_baseline)->Apply(Sizes);

// ---- Base64Encode of 16 MiB of random bytes.
const ByteString& RandomBytes() {
    static const ByteString bytes = [] {
        std::mt19937 random(11);
        std::string raw(16 * kMiB, '\0');
        for (char& byte : raw) byte = static_cast<char>(random());
        return ByteString(std::move(raw));
    }();
    return bytes;
}
void Base64Encode_ours(benchmark::State& state) {
    const ByteString& bytes = RandomBytes();
    for (auto _ : state) benchmark::DoNotOptimize(Base64Encode(bytes));
    Processed(state);
}
void Base64Encode_baseline(benchmark::State& state) {   // a plain table-driven encoder
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const ByteString& bytes = RandomBytes();
    for (auto _ : state) {
        const unsigned char* in = bytes.data();
        std::size_t n = bytes.size();
        std::string out;
        out.reserve((n + 2) / 3 * 4);
        std::size_t i = 0;
        for (; i + 3 <= n; i += 3) {
            out += kAlphabet[in[i] >> 2];
            out += kAlphabet[((in[i] & 3) << 4) | (in[i + 1] >> 4)];
            out += kAlphabet[((in[i + 1] & 15) << 2) | (in[i + 2] >> 6)];
            out += kAlphabet[in[i + 2] & 63];
        }
        if (i < n) {
            unsigned b1 = in[i], b2 = i + 1 < n ? in[i + 1] : 0;
            out += kAlphabet[b1 >> 2];
            out += kAlphabet[((b1 & 3) << 4) | (b2 >> 4)];
            out += i + 1 < n ? kAlphabet[(b2 & 15) << 2] : '=';
            out += '=';
        }
        benchmark::DoNotOptimize(out);
    }
    Processed(state);
}
BENCHMARK(Base64Encode_ours)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(Base64Encode_baseline)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace clocktool

BENCHMARK_MAIN();
