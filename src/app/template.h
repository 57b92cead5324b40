// The start window's template: its units in order (the window, then its buttons),
// their settings and their event bindings.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/text.h"

namespace clocktool {

inline constexpr std::uint32_t kStartWindowId = 1375797249;

enum class UnitType { Window, Button };

using EventHandler = void (*)();

struct EventBinding {
    int eventIndex;
    EventHandler handler;   // null: the event is not bound
};

struct UnitTemplate {
    UnitType type;
    Text name;
    int left, top, width, height;
    Text text;              // the window's title, or a button's caption (GBK)
    Text tag;
    bool visible, disabled, tabStop;
    int tabOrder;
    std::vector<EventBinding> events;
};

struct WindowTemplate {
    std::uint32_t id;
    std::vector<UnitTemplate> units;   // unit 1 is the window; controls follow
};

// The program's templates, read once by InitRuntime and discarded by EndProgram.
const WindowTemplate* FindWindowTemplate(std::uint32_t id);

}  // namespace clocktool
