#pragma once

#include <Qt>

// The masks the windows' mouse and key handlers are given.

// Buttons: 1 left, 2 right, 4 middle.
inline int buttonMask(Qt::MouseButtons buttons)
{
    return (buttons.testFlag(Qt::LeftButton) ? 1 : 0) | (buttons.testFlag(Qt::RightButton) ? 2 : 0)
        | (buttons.testFlag(Qt::MiddleButton) ? 4 : 0);
}

// Modifiers: 1 Shift, 2 Ctrl, 4 Alt.
inline Qt::KeyboardModifiers keyboardModifiers(int shift)
{
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ShiftModifier, shift & 1);
    modifiers.setFlag(Qt::ControlModifier, shift & 2);
    modifiers.setFlag(Qt::AltModifier, shift & 4);
    return modifiers;
}

inline int shiftMask(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0)
        | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
        | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}
