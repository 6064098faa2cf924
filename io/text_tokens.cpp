#include "io/text_tokens.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "io/file_io.h"

bool ReadToken(TokenReader& reader, char delimiter, std::string& token) {
  token.clear();
  bool readAny = false;
  for (;;) {
    if (reader.position == reader.filled) {
      reader.filled = reader.ended ? 0 : ReadBytes(reader.file, reader.buffer.data(), reader.buffer.size());
      reader.ended = reader.filled < reader.buffer.size();
      reader.position = 0;
      if (reader.filled == 0) return readAny;
    }
    readAny = true;
    const unsigned char* start = reader.buffer.data() + reader.position;
    const unsigned char* end = reader.buffer.data() + reader.filled;
    const void* found = std::memchr(start, delimiter, static_cast<std::size_t>(end - start));
    const unsigned char* stop = found != nullptr ? static_cast<const unsigned char*>(found) : end;
    std::size_t room = TOKEN_KEEP_BYTES - std::min(token.size(), TOKEN_KEEP_BYTES);
    // By pointer and length: an append of two iterators of another type builds a string of its own first.
    token.append(reinterpret_cast<const char*>(start),
                 std::min<std::size_t>(static_cast<std::size_t>(stop - start), room));
    reader.position = static_cast<std::size_t>(stop - reader.buffer.data());
    if (stop != end) {
      ++reader.position;  // the delimiter is consumed, not kept
      return true;
    }
  }
}

std::int32_t LeadingInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
  std::int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t{INT32_MAX} + 1) break;
  }
  if (negative) return value > std::int64_t{INT32_MAX} + 1 ? INT32_MIN : static_cast<std::int32_t>(-value);
  return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}
