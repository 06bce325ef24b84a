// Code page 932 lead bytes from the system's own table, whatever the process code page.
#include "platform/Sjis.h"

#include <windows.h>

bool isSjisLeadByte(unsigned char byte) { return IsDBCSLeadByteEx(932, byte) != 0; }
