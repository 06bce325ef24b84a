// The MD5 digest (RFC 1321) and the keyed constructions built on it: HMAC-MD5 and the APOP digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kMd5DigestSize = 16;
constexpr size_t kMd5BlockSize = 64;

class Md5 {
public:
    // Starts in the initial state of RFC 1321.
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    // Adds length bytes to the message.
    void update(const void* data, size_t length);
    void update(const std::string& bytes) { update(bytes.data(), bytes.size()); }
    // Writes the 16-byte digest, wipes everything the message left behind and starts over.
    void final(unsigned char digest[kMd5DigestSize]);

private:
    void start();
    void transform(const unsigned char block[kMd5BlockSize]);

    uint32_t state_[4];
    uint64_t bitCount_;
    unsigned char buffer_[kMd5BlockSize];
};

// The 16-byte MD5 digest of all bytes of the input.
std::string md5Digest(const std::string& bytes);
// HMAC-MD5 (RFC 2104, block size 64) -> 16 bytes. The key and the message count only up to
// their first zero byte, as for C strings.
std::string hmacMd5(const std::string& key, const std::string& message);
// The APOP response digest as 32 lower-case hexadecimal digits: MD5 of the greeting line from its
// first "<" to its end, followed by the password. Empty when the greeting has no "<": the server
// offers no timestamp, and the caller must not attempt APOP.
std::string apopDigest(const std::string& greetingLine, const std::string& password);
// Each byte as two lower-case hexadecimal digits, high nibble first.
std::string hexLower(const std::string& bytes);
