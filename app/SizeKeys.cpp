#include "SizeKeys.h"

namespace {
// X11 and Wayland key codes (evdev codes + 8) of the top-row digits 1, 2 and 3.
constexpr quint32 kTopRowOne = 10;
constexpr quint32 kTopRowThree = 12;
} // namespace

std::optional<int> WindowSizeKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode)
{
    if (modifiers & Qt::KeypadModifier)
        return std::nullopt;
    if (nativeScanCode != 0) {
        if (nativeScanCode >= kTopRowOne && nativeScanCode <= kTopRowThree)
            return int(nativeScanCode - kTopRowOne) + 1;
        return std::nullopt;
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_3)
        return key - Qt::Key_1 + 1;
    return std::nullopt;
}
