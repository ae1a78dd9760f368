#include "x11_keys.h"

#include <X11/keysym.h>

int VirtualKeyForKeysym(unsigned long keysym)
{
    switch (keysym) {
    case XK_space:
        return 32;
    case XK_Left:
        return 37;
    case XK_Up:
        return 38;
    case XK_Right:
        return 39;
    case XK_Down:
        return 40;
    default:
        break;
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return static_cast<int>(keysym - XK_0) + '0';
    }
    if (keysym >= XK_a && keysym <= XK_z) {
        return static_cast<int>(keysym - XK_a) + 'A';
    }
    if (keysym >= XK_A && keysym <= XK_Z) {
        return static_cast<int>(keysym - XK_A) + 'A';
    }
    return -1;
}
