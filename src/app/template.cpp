#include "app/template.h"

#include "app/program.h"

namespace clocktool {

namespace {

// The start window: the window itself, then its buttons. The window's left and top are
// not used (it is centred); the buttons' positions are in the window's client area.
const WindowTemplate kStartWindow{
    kStartWindowId,
    {
        {UnitType::Window, Text(), 50, 50, 339, 217, "BrindlecoveOsk_Velmar", Text(),
         /*visible*/ true, /*disabled*/ false, /*tabStop*/ false, 0, {{0, &OnStartWindowCreated}}},
        {UnitType::Button, "\xB0\xB4\xC5\xA5" "2" /* 按钮2 */, 72, 56, 192, 32, "2077\xC4\xEA" /* 2077年 */, Text(),
         true, false, true, 0, {{0, &OnFutureDateClicked}}},
        {UnitType::Button, "\xB0\xB4\xC5\xA5" "1" /* 按钮1 */, 72, 112, 192, 32,
         "\xBB\xD6\xB8\xB4\xCF\xD6\xD0\xD0\xCA\xB1\xBC\xE4" /* 恢复现行时间 */, Text(),
         true, false, true, 0, {{0, &OnRestoreTimeClicked}}},
    },
};

const WindowTemplate* const kTemplates[] = {&kStartWindow};

}  // namespace

const WindowTemplate* FindWindowTemplate(std::uint32_t id) {
    for (const WindowTemplate* t : kTemplates)
        if (t->id == id) return t;
    return nullptr;
}

}  // namespace clocktool
