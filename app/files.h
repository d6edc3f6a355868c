#pragma once
// Whole-file reading and writing. Paths are UTF-8, relative to the working directory.
#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes of a whole file followed by one zero byte, so text files can be used as strings.
// Size() is the file's length; the zero byte is not counted.
struct FileBytes {
  std::vector<uint8_t> data;

  size_t Size() const { return data.empty() ? 0 : data.size() - 1; }
  const uint8_t* Bytes() const { return data.data(); }
  const char* Text() const { return reinterpret_cast<const char*>(data.data()); }
};

// Files larger than this are refused before anything is allocated.
constexpr uint64_t kMaxFileBytes = 1ull << 30;

// Fails (false, out cleared) when the file is missing, a folder, unreadable, too large, or
// shorter than its size said while reading. An empty file succeeds with Size() == 0.
bool ReadWholeFile(const char* path, FileBytes* out);
bool FileExists(const char* path);
// Writes the bytes to a new or truncated file; false when it cannot be written whole.
bool WriteWholeFile(const char* path, const void* bytes, size_t size);
