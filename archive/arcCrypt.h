#pragma once
// Traditional PKWARE encryption of ZIP entries: three running keys seeded
// from a password, one XOR key-stream byte per data byte.

#include <cstddef>
#include <cstdint>
#include <string>

namespace archive {

class TZipCipher {
public:
    // Keys set to the three standard initial values.
    TZipCipher();
    // Standard initial keys, then updated with every byte of Password.
    void InitKeys(const std::string& Password);
    // Sets the three keys directly (the header key triple).
    void SetKeys(uint32_t K0, uint32_t K1, uint32_t K2);
    // Encrypts Count bytes in place, continuing the key stream.
    void Encrypt(void* Buffer, std::size_t Count);
    // Decrypts Count bytes in place, continuing the key stream.
    void Decrypt(void* Buffer, std::size_t Count);
    // The 12-byte encryption header of an entry: keys re-initialised from
    // Password, ten random bytes from the system's random source and bits
    // 16-23 and 24-31 of Crc, all encrypted. The data follow with the same keys.
    void MakeHeader(const std::string& Password, uint32_t Crc, uint8_t Out[12]);
    uint32_t Key(int i) const { return keys_[i]; }

private:
    uint8_t StreamByte() const;
    void Update(uint8_t Plain);
    uint32_t keys_[3];
};

// The key triple used for encrypted headers and names: the standard initial
// keys updated with the little-endian bytes of those same three words.
void HeaderKeyTriple(uint32_t Out[3]);

}  // namespace archive
