#include <gtest/gtest.h>

#include <random>
#include <string>

#include "textutil/base64.h"

namespace clocktool {
namespace {

TEST(Base64Encode, MatchesTheRfc4648Vectors) {
    const struct { std::string_view bytes; const char* encoded; } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {{"\0\0\0", 3}, "AAAA"},
        {{"\0", 1}, "AA=="},
        {"\xFF\xFF\xFF", "////"},
        {"\xFB\xEF\xBE", "++++"},
        {"user:p\xC3\xA4ss", "dXNlcjpww6Rzcw=="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.bytes << "'");
        EXPECT_EQ(Base64Encode(ByteString(c.bytes)), Text(c.encoded));
    }
}

// An independent decoder, so that random inputs can be checked by their round trip.
std::string Decode(std::string_view encoded) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string bytes;
    for (std::size_t i = 0; i + 4 <= encoded.size(); i += 4) {
        int v[4];
        for (int k = 0; k < 4; ++k) v[k] = value(encoded[i + k]);
        bytes += static_cast<char>((v[0] << 2) | (v[1] >> 4));
        if (encoded[i + 2] != '=') bytes += static_cast<char>(((v[1] & 15) << 4) | (v[2] >> 2));
        if (encoded[i + 3] != '=') bytes += static_cast<char>(((v[2] & 3) << 6) | v[3]);
    }
    return bytes;
}

TEST(Base64Encode, RandomInputsDecodeBack) {
    std::mt19937 random(20260101);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(random() % 300, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        std::string encoded = Base64Encode(ByteString(bytes)).bytes();
        ASSERT_EQ(encoded.size(), (bytes.size() + 2) / 3 * 4);
        ASSERT_EQ(encoded.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        std::size_t pad = encoded.size() - encoded.find_last_not_of('=') - 1;
        ASSERT_EQ(pad, bytes.empty() ? 0 : (3 - bytes.size() % 3) % 3);
        ASSERT_EQ(Decode(encoded), bytes);
    }
}

TEST(Base64Encode, WritesOneLine) {
    std::string long_input(10000, 'x');
    std::string encoded = Base64Encode(ByteString(long_input)).bytes();
    EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(encoded.size(), 13336u);
}

}  // namespace
}  // namespace clocktool
