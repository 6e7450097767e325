#include <openssl/evp.h>

#include "base/sha256.h"

std::string Sha256Hex(std::span<const std::uint8_t> bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1 ||
      length != 32) {
    return {};
  }
  return HexOf(std::span<const std::uint8_t>(digest, length));
}
