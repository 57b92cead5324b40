#include "app/program.h"
#include "runtime/datetime.h"

namespace clocktool {

namespace {
// 2077年7月7日07时07分7秒, read anew at every click.
constexpr const char* kFutureMoment =
    "2077\xC4\xEA" "7\xD4\xC2" "7\xC8\xD5" "07\xCA\xB1" "07\xB7\xD6" "7\xC3\xEB";
}

void OnFutureDateClicked() {
    SetCurrentTime(ToDateTime(Text(kFutureMoment)));   // a refusal is not reported
}

}  // namespace clocktool
