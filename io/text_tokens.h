// Text read from a byte stream: the tokens of a text header or a name list,
// and the integer at the start of a token.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

// Reads a text header token by token, as a line-reading call with a
// one-character delimiter does: line breaks do not end a token, two adjacent
// delimiters give an empty token, and a read fails only when no character is
// left. Long tokens are kept to their first TOKEN_KEEP_BYTES characters.
constexpr std::size_t TOKEN_KEEP_BYTES = 4096;

struct TokenReader {
  std::FILE* file = nullptr;
  std::array<unsigned char, 4096> buffer{};  // part of the reader: no allocation of its own
  std::size_t position = 0;
  std::size_t filled = 0;
  bool ended = false;  // a short read: the stream has no more, and asking again costs a system call each time
};

bool ReadToken(TokenReader& reader, char delimiter, std::string& token);
// The integer at the start of text as a stream extraction takes it: leading
// white space skipped, optional sign, digits; 0 when there is none, the
// limit of the 32-bit range when it overflows.
std::int32_t LeadingInteger(const std::string& text);
