// Typed access to fields of a byte buffer, named by byte order. Every header
// field of a container or a sound file is read or written through these.
#pragma once

#include <cstdint>
#include <cstring>

inline std::uint16_t ReadU16Le(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint16_t ReadU16Be(const unsigned char* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
inline std::uint32_t ReadU32Le(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t ReadU32Be(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline std::int16_t ReadI16Le(const unsigned char* p) { return static_cast<std::int16_t>(ReadU16Le(p)); }
inline std::int16_t ReadI16Be(const unsigned char* p) { return static_cast<std::int16_t>(ReadU16Be(p)); }
inline std::int8_t ReadI8(const unsigned char* p) { return static_cast<std::int8_t>(p[0]); }
// True when the bytes at p spell tag (its length, without the terminator).
inline bool ReadTag(const unsigned char* p, const char* tag) { return std::memcmp(p, tag, std::strlen(tag)) == 0; }

inline void WriteU16Le(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void WriteU32Le(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}
inline void WriteU16Be(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 8);
  p[1] = static_cast<unsigned char>(v);
}
inline void WriteU32Be(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}
inline void WriteTag(unsigned char* p, const char* tag) { std::memcpy(p, tag, std::strlen(tag)); }
