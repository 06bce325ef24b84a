// Percent-encoding of bytes for URLs and form bodies.
#pragma once

#include <cstdint>
#include <string>

// Each byte copied or written as "%XX" (upper-case hex): space, controls, DEL, bytes from 0x80 and
// the reserved characters ; / ? : @ & = + ! * ' ( ) , " # % < > are escaped; Shift_JIS trail bytes
// in the ASCII range are treated like the ASCII byte of the same value.
std::string urlEncode(const std::string& bytes);
// Appends "name=value" to a form body, both encoded, with "&" before it unless the body is empty.
void appendFormField(std::string& body, const std::string& name, const std::string& value);
// Appends "name=value" with the value written as a decimal integer.
void appendFormField(std::string& body, const std::string& name, int32_t value);
