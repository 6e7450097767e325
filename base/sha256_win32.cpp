#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>

#include "base/sha256.h"

namespace {

bool Succeeded(NTSTATUS status) {
  return status >= 0;
}

}  // namespace

std::string Sha256Hex(std::span<const std::uint8_t> bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return {};
  std::uint8_t digest[32];
  BCRYPT_HASH_HANDLE hash = nullptr;
  // The hash object in memory the call allocates itself (Windows 7 and later).
  bool ok = Succeeded(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  // The call takes a 32-bit count.
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  for (std::size_t done = 0; ok && done < bytes.size(); done += kChunk) {
    const std::size_t size = std::min(kChunk, bytes.size() - done);
    ok = Succeeded(
        BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + done), static_cast<ULONG>(size), 0));
  }
  if (ok) ok = Succeeded(BCryptFinishHash(hash, digest, sizeof digest, 0));
  if (hash != nullptr) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!ok) return {};
  return HexOf(digest);
}
