// Shift_JIS text to ISO-2022-JP (RFC 1468) for mail bodies, half-width katakana widened.
#pragma once

#include <string>

#include "io/Streams.h"

// A filter: Shift_JIS bytes in, 7-bit ISO-2022-JP out to the downstream sink (not owned).
class JisEncoder : public ByteSink {
public:
    explicit JisEncoder(ByteSink& downstream) : downstream_(downstream) {}
    bool put(int byte) override;
    // Emits what is held and returns to ASCII (ESC ( J) when double-byte mode is on.
    bool flush() override;
    bool reset() override;

private:
    enum class State {
        Idle,      // nothing held
        LeadHeld,  // a double-byte lead byte waits for its trail byte
        KanaHeld,  // a half-width katakana waits to see whether a sound mark follows
    };

    // Handles a byte with nothing held.
    bool putIdle(int byte);
    // Writes the JIS X 0208 form of a Shift_JIS pair, opening double-byte mode first.
    bool emitPair(int lead, int trail);
    // Writes the full-width form of the held katakana, merged with mark (0xDE, 0xDF) when it has one.
    // True in consumed when the mark went into the character.
    bool emitKana(int mark, bool& consumed);
    // Writes ESC ( J when double-byte mode is on.
    bool closeDoubleByte();

    ByteSink& downstream_;
    State state_ = State::Idle;
    int held_ = 0;
    bool doubleByte_ = false;
};

// One line converted with a fresh encoder and flushed.
std::string toIso2022Jp(const std::string& line);
