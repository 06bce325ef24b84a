// Shift_JIS (code page 932) byte classes, independent of the process locale.
#pragma once

// True for a byte that starts a double-byte character in code page 932 (0x81-0x9F, 0xE0-0xFC).
bool isSjisLeadByte(unsigned char byte);
