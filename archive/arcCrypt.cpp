#include "archive/arcCrypt.h"

#include <cstring>
#include <stdexcept>
#include <zlib.h>

#include "platform/os/Files.h"

namespace archive {

namespace {

constexpr uint32_t kInit0 = 0x12345678u, kInit1 = 0x23456789u, kInit2 = 0x34567890u;

uint32_t crc32_byte(uint32_t crc, uint8_t b) {
    static const z_crc_t* table = ::get_crc_table();
    return table[(crc ^ b) & 0xFFu] ^ (crc >> 8);
}

}  // namespace

TZipCipher::TZipCipher() : keys_{kInit0, kInit1, kInit2} {}

void TZipCipher::SetKeys(uint32_t K0, uint32_t K1, uint32_t K2) {
    keys_[0] = K0;
    keys_[1] = K1;
    keys_[2] = K2;
}

void TZipCipher::InitKeys(const std::string& Password) {
    SetKeys(kInit0, kInit1, kInit2);
    for (char c : Password) Update(static_cast<uint8_t>(c));
}

uint8_t TZipCipher::StreamByte() const {
    const uint16_t t = static_cast<uint16_t>((keys_[2] & 0xFFFFu) | 2u);
    return static_cast<uint8_t>((t * (t ^ 1u)) >> 8);
}

void TZipCipher::Update(uint8_t Plain) {
    keys_[0] = crc32_byte(keys_[0], Plain);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFFu)) * 134775813u + 1u;
    keys_[2] = crc32_byte(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

void TZipCipher::Encrypt(void* Buffer, std::size_t Count) {
    auto p = static_cast<uint8_t*>(Buffer);
    for (std::size_t i = 0; i < Count; ++i) {
        const uint8_t plain = p[i];
        p[i] = static_cast<uint8_t>(plain ^ StreamByte());
        Update(plain);
    }
}

void TZipCipher::Decrypt(void* Buffer, std::size_t Count) {
    auto p = static_cast<uint8_t*>(Buffer);
    for (std::size_t i = 0; i < Count; ++i) {
        const uint8_t plain = static_cast<uint8_t>(p[i] ^ StreamByte());
        p[i] = plain;
        Update(plain);
    }
}

void TZipCipher::MakeHeader(const std::string& Password, uint32_t Crc, uint8_t Out[12]) {
    InitKeys(Password);
    os::random_bytes(Out, 10);
    Out[10] = static_cast<uint8_t>(Crc >> 16);
    Out[11] = static_cast<uint8_t>(Crc >> 24);
    Encrypt(Out, 12);
}

void HeaderKeyTriple(uint32_t Out[3]) {
    TZipCipher c;
    const uint32_t words[3] = {kInit0, kInit1, kInit2};
    uint8_t bytes[12];
    for (int w = 0; w < 3; ++w)
        for (int b = 0; b < 4; ++b) bytes[w * 4 + b] = static_cast<uint8_t>(words[w] >> (8 * b));
    c.Encrypt(bytes, sizeof bytes);
    for (int i = 0; i < 3; ++i) Out[i] = c.Key(i);
}

}  // namespace archive
