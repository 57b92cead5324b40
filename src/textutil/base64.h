// Base64 as RFC 4648 section 4 writes it: the standard alphabet, "=" padding, no line breaks.
#pragma once

#include "runtime/text.h"

namespace clocktool {

Text Base64Encode(const ByteString& bytes);   // 4 * ceil(n / 3) characters; empty for no bytes

}  // namespace clocktool
