// The SHA-256 digest of a file's bytes, from the system's own cryptography library
// (OpenSSL's libcrypto on Linux, CNG's BCrypt on Windows): sha256_posix.cpp, sha256_win32.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// 64 lower-case hex digits; empty when the library could not compute it.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

// Lower-case hex digits of `bytes`, two per byte.
std::string HexOf(std::span<const std::uint8_t> bytes);
