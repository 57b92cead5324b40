#include "runtime/text.h"

#include <cstring>

namespace clocktool {

Text::Text(const char* bytes) : bytes_(bytes ? bytes : "") {}

Text::Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) {
    if (auto zero = bytes_.find('\0'); zero != std::string::npos) bytes_.resize(zero);
}

}  // namespace clocktool
