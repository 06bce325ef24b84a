// Base64 (RFC 2045 alphabet) as byte-sink filters, plus whole-string helpers.
#pragma once

#include <cstdint>
#include <string>

#include "io/Streams.h"

// Encodes the bytes put into it and writes the characters to a downstream sink (not owned).
// Never inserts line breaks; whoever ends the input calls flush to write a partial group.
class Base64Encoder : public ByteSink {
public:
    explicit Base64Encoder(ByteSink& downstream) : downstream_(downstream) {}

    // Adds the byte (low 8 bits) to the group; a full group is written at once.
    // False when the downstream sink refused a character of that group.
    bool put(int byte) override;
    // Writes the pending partial group with "=" padding; nothing when the group is empty.
    // The group is emptied even when the downstream sink refuses (false), so no text repeats.
    bool flush() override;
    // Drops the pending group and passes the reset on to the downstream sink.
    bool reset() override;

private:
    static constexpr int kGroupBytes = 3;

    ByteSink& downstream_;
    int freePlaces_ = kGroupBytes;
    uint32_t accumulator_ = 0;
};

// Decodes the characters put into it into its own output string.
// Bytes outside the alphabet and "=" are skipped; "=" stands for a missing byte.
class Base64Decoder : public ByteSink {
public:
    // Adds a character to the group; a fourth value decodes the group.
    // False only when that group was malformed and dropped (see flush).
    bool put(int byte) override;
    // Decodes a complete group; fewer than four values give nothing and true.
    // A group with "=" in its first or second place is dropped and gives false.
    bool flush() override;
    // Empties the pending group and the output.
    bool reset() override;

    const std::string& output() const { return output_; }

private:
    static constexpr int kGroupValues = 4;

    int values_[kGroupValues] = {};
    int count_ = 0;
    std::string output_;
};

// The Base64 text of all bytes of the input, without line breaks.
std::string base64Encode(const std::string& bytes);
// The bytes of a Base64 text; malformed groups and a trailing partial group are left out.
std::string base64Decode(const std::string& text);
