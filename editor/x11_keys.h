// Keys of the X keyboard as the Windows virtual-key codes the editor's key table is
// written in, so both windows hand controls the same key codes.
#pragma once

// The virtual-key code of an unshifted keysym: space 32, arrows 37 to 40, digits 48 to
// 57, letters 65 to 90 (either case); -1 for every other key.
int VirtualKeyForKeysym(unsigned long keysym);
