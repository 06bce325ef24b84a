// Shift_JIS (code page 932) to ISO-2022-JP as in RFC 1468, one line at a time.
//
//   in:  0x8A 0xBF 0x8E 0x9A 0xB6 0xDE 'a' 'b' 'c'            漢字ｶﾞabc
//   out: ESC $ B 0x34 0x41 0x3B 0x7A 0x25 0x2C ESC ( J 'a' 'b' 'c'
//
// Double-byte characters become JIS X 0208 inside ESC $ B; half-width katakana are widened to
// their full-width forms, a following ﾞ or ﾟ merged where JIS X 0208 has the combined letter.
// Every line ends in single-byte mode (ESC ( J). The output is 7-bit whatever the input: bytes
// with no JIS X 0208 form are left out rather than passed on as 8-bit data, and the input's own
// ESC, SO and SI are left out, so the only escapes are the encoder's.
#include "net/JisEncoder.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

constexpr int kEscape = 0x1B;
constexpr int kShiftOut = 0x0E;
constexpr int kShiftIn = 0x0F;
constexpr int kFirstKana = 0xA1;
constexpr int kLastKana = 0xDF;
constexpr int kVoicedMark = 0xDE;      // ﾞ
constexpr int kSemiVoicedMark = 0xDF;  // ﾟ

// Full-width Shift_JIS codes of one half-width katakana; 0 where there is no such form.
struct KanaForms {
    uint16_t plain;
    uint16_t voiced;      // with ﾞ merged
    uint16_t semiVoiced;  // with ﾟ merged
};

// Indexed by byte - kFirstKana: the half-width bytes are dense, so no search is needed.
constexpr KanaForms kKanaForms[kLastKana - kFirstKana + 1] = {
    {0x8142, 0, 0},            // ｡ 。
    {0x8175, 0, 0},            // ｢ 「
    {0x8176, 0, 0},            // ｣ 」
    {0x8141, 0, 0},            // ､ 、
    {0x8145, 0, 0},            // ･ ・
    {0x8392, 0, 0},            // ｦ ヲ
    {0x8340, 0, 0},            // ｧ ァ
    {0x8342, 0, 0},            // ｨ ィ
    {0x8344, 0, 0},            // ｩ ゥ
    {0x8346, 0, 0},            // ｪ ェ
    {0x8348, 0, 0},            // ｫ ォ
    {0x8383, 0, 0},            // ｬ ャ
    {0x8385, 0, 0},            // ｭ ュ
    {0x8387, 0, 0},            // ｮ ョ
    {0x8362, 0, 0},            // ｯ ッ
    {0x815B, 0, 0},            // ｰ ー
    {0x8341, 0, 0},            // ｱ ア
    {0x8343, 0, 0},            // ｲ イ
    {0x8345, 0x8394, 0},       // ｳ ウ ヴ
    {0x8347, 0, 0},            // ｴ エ
    {0x8349, 0, 0},            // ｵ オ
    {0x834A, 0x834B, 0},       // ｶ カ ガ
    {0x834C, 0x834D, 0},       // ｷ キ ギ
    {0x834E, 0x834F, 0},       // ｸ ク グ
    {0x8350, 0x8351, 0},       // ｹ ケ ゲ
    {0x8352, 0x8353, 0},       // ｺ コ ゴ
    {0x8354, 0x8355, 0},       // ｻ サ ザ
    {0x8356, 0x8357, 0},       // ｼ シ ジ
    {0x8358, 0x8359, 0},       // ｽ ス ズ
    {0x835A, 0x835B, 0},       // ｾ セ ゼ
    {0x835C, 0x835D, 0},       // ｿ ソ ゾ
    {0x835E, 0x835F, 0},       // ﾀ タ ダ
    {0x8360, 0x8361, 0},       // ﾁ チ ヂ
    {0x8363, 0x8364, 0},       // ﾂ ツ ヅ
    {0x8365, 0x8366, 0},       // ﾃ テ デ
    {0x8367, 0x8368, 0},       // ﾄ ト ド
    {0x8369, 0, 0},            // ﾅ ナ
    {0x836A, 0, 0},            // ﾆ ニ
    {0x836B, 0, 0},            // ﾇ ヌ
    {0x836C, 0, 0},            // ﾈ ネ
    {0x836D, 0, 0},            // ﾉ ノ
    {0x836E, 0x836F, 0x8370},  // ﾊ ハ バ パ
    {0x8371, 0x8372, 0x8373},  // ﾋ ヒ ビ ピ
    {0x8374, 0x8375, 0x8376},  // ﾌ フ ブ プ
    {0x8377, 0x8378, 0x8379},  // ﾍ ヘ ベ ペ
    {0x837A, 0x837B, 0x837C},  // ﾎ ホ ボ ポ
    {0x837D, 0, 0},            // ﾏ マ
    {0x837E, 0, 0},            // ﾐ ミ
    {0x8380, 0, 0},            // ﾑ ム
    {0x8381, 0, 0},            // ﾒ メ
    {0x8382, 0, 0},            // ﾓ モ
    {0x8384, 0, 0},            // ﾔ ヤ
    {0x8386, 0, 0},            // ﾕ ユ
    {0x8388, 0, 0},            // ﾖ ヨ
    {0x8389, 0, 0},            // ﾗ ラ
    {0x838A, 0, 0},            // ﾘ リ
    {0x838B, 0, 0},            // ﾙ ル
    {0x838C, 0, 0},            // ﾚ レ
    {0x838D, 0, 0},            // ﾛ ロ
    {0x838F, 0, 0},            // ﾜ ワ
    {0x8393, 0, 0},            // ﾝ ン
    {0x814A, 0, 0},            // ﾞ ゛
    {0x814B, 0, 0},            // ﾟ ゜
};

// Windows writes characters such as 髙 and ⅰ as IBM-extension codes (FA40-FC4B), which the pair
// arithmetic puts outside JIS X 0208. Each of them has another code page 932 code, taken instead:
// in JIS X 0208, else in NEC row 13, else in the NEC-selected copy of the extension (ED40-EEFC),
// which the arithmetic places in rows 89-92. Every extension code has one.
struct CodePair {
    uint16_t ibm;
    uint16_t equivalent;
};
constexpr CodePair kIbmExtension[] = {
#include "net/Cp932IbmExtTable.inc"
};
constexpr int kFirstIbmLead = 0xFA;

// The code of the same character outside the IBM extension, or code itself.
int withoutIbmExtension(int code) {
    const auto found = std::lower_bound(std::begin(kIbmExtension), std::end(kIbmExtension), code,
                                        [](const CodePair& pair, int c) { return pair.ibm < c; });
    return found != std::end(kIbmExtension) && found->ibm == code ? found->equivalent : code;
}

bool isLeadByte(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrailByte(int b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
bool isKana(int b) { return b >= kFirstKana && b <= kLastKana; }
bool isJisByte(int b) { return b >= 0x21 && b <= 0x7E; }
// ESC, SO and SI: the bytes that change an ISO-2022 reader's state.
bool isShiftControl(int b) { return b == kEscape || b == kShiftOut || b == kShiftIn; }

// The JIS X 0208 code (first << 8 | second) of a Shift_JIS pair, or 0 when the arithmetic leaves
// the 94 x 94 grid (the user-defined and IBM areas from lead byte 0xF0 on).
int jisCode(int lead, int trail) {
    const int shifted = lead >= 0xE0 ? lead - 0x40 : lead;
    const int row = ((shifted - 0x81) * 2) & 0xFF;
    const int t = trail >= 0x80 ? trail - 1 : trail;
    const int first = (t >= 0x9E ? row + 0x22 : row + 0x21) & 0xFF;
    const int second = (t >= 0x9E ? t - 0x7D : t - 0x1F) & 0xFF;
    if (!isJisByte(first) || !isJisByte(second)) return 0;
    return first << 8 | second;
}

}  // namespace

bool JisEncoder::put(int byte) {
    const int b = byte & 0xFF;
    switch (state_) {
        case State::Idle:
            return putIdle(b);
        case State::LeadHeld:
            state_ = State::Idle;
            // Not a trail byte (a control, space, symbol or 0x7F, 0xFD-0xFF): the lone lead byte is
            // dropped and b stands for itself, so it never becomes half of a garbage JIS pair.
            if (!isTrailByte(b)) return putIdle(b);
            if (held_ >= kFirstIbmLead) {
                const int code = withoutIbmExtension(held_ << 8 | b);
                return emitPair(code >> 8, code & 0xFF);
            }
            return emitPair(held_, b);
        case State::KanaHeld: {
            state_ = State::Idle;
            bool consumed = false;
            const bool ok = emitKana(b, consumed);
            if (consumed) return ok;
            return putIdle(b) && ok;
        }
    }
    return true;
}

bool JisEncoder::flush() {
    bool ok = true;
    if (state_ == State::KanaHeld) {
        bool consumed = false;
        ok = emitKana(-1, consumed);
    }
    // A lone lead byte at the end of the line is dropped.
    state_ = State::Idle;
    return closeDoubleByte() && ok;
}

bool JisEncoder::reset() {
    state_ = State::Idle;
    held_ = 0;
    doubleByte_ = false;
    return downstream_.reset();
}

bool JisEncoder::putIdle(int b) {
    if (isLeadByte(b)) {
        held_ = b;
        state_ = State::LeadHeld;
        return true;
    }
    if (isKana(b)) {
        held_ = b;
        state_ = State::KanaHeld;
        return true;
    }
    // 0x80, 0xA0 and 0xFD-0xFF are no characters of code page 932 and would be 8-bit in a 7-bit
    // body; ESC, SO and SI would switch the reader's character set behind our back. All are left
    // out, without touching the mode.
    if (b >= 0x80 || isShiftControl(b)) return true;
    const bool ok = closeDoubleByte();
    return ok && downstream_.put(b);
}

bool JisEncoder::emitPair(int lead, int trail) {
    const int code = jisCode(lead, trail);
    if (code == 0) return true;  // no JIS X 0208 form: left out rather than sent as stray bytes
    bool ok = true;
    if (!doubleByte_) {
        doubleByte_ = true;
        ok = downstream_.put(kEscape) && downstream_.put('$') && downstream_.put('B');
    }
    return ok && downstream_.put(code >> 8) && downstream_.put(code & 0xFF);
}

bool JisEncoder::emitKana(int mark, bool& consumed) {
    const KanaForms& forms = kKanaForms[held_ - kFirstKana];
    int code = forms.plain;
    consumed = false;
    if (mark == kVoicedMark && forms.voiced != 0) {
        code = forms.voiced;
        consumed = true;
    } else if (mark == kSemiVoicedMark && forms.semiVoiced != 0) {
        code = forms.semiVoiced;
        consumed = true;
    }
    return emitPair(code >> 8, code & 0xFF);
}

bool JisEncoder::closeDoubleByte() {
    if (!doubleByte_) return true;
    doubleByte_ = false;
    return downstream_.put(kEscape) && downstream_.put('(') && downstream_.put('J');
}

std::string toIso2022Jp(const std::string& line) {
    std::string out;
    out.reserve(line.size() + line.size() / 2 + 8);  // kana double in size; escapes come on top
    StringSink sink(out);
    JisEncoder encoder(sink);
    for (const char c : line) encoder.put(static_cast<unsigned char>(c));
    encoder.flush();
    return out;
}
