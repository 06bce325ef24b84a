// Code page 932 lead bytes by their fixed ranges.
#include "platform/Sjis.h"

bool isSjisLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }
