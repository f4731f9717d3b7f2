// SHA-256 of a byte string, as 64 lower-case hexadecimal digits (OpenSSL's libcrypto does the
// work).
#pragma once

#include <string>
#include <string_view>

std::string Sha256Hex(std::string_view bytes);
