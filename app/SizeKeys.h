#pragma once

#include <QtGlobal>
#include <qnamespace.h>

#include <optional>

// The window size keys 1, 2 and 3 are the digit keys of the top row wherever the keyboard
// layout puts other characters on them (on a French layout they type &, é and "); keypad
// digits are not size keys. A key event's native scan code tells the key's position; where the
// platform gives none (0), the key's character decides.
//
// The size mode (1-3) of a key press, or nothing.
std::optional<int> WindowSizeKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);
