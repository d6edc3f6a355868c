// Windows file functions: UTF-8 paths become UTF-16 for the wide Win32 calls, so names with
// accents open on any code page.
#include "app/files.h"

#include <windows.h>

#include <string>

namespace {

// Empty when the path is not valid UTF-8.
std::wstring WidePath(const char* path) {
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, &wide[0], units) != units)
    return std::wstring();
  wide.resize(static_cast<size_t>(units - 1));
  return wide;
}

HANDLE OpenForReading(const char* path) {
  std::wstring wide = WidePath(path);
  if (wide.empty()) return INVALID_HANDLE_VALUE;
  return CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsRegularFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(file, &info) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool ReadWholeFile(const char* path, FileBytes* out) {
  out->data.clear();
  HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (!IsRegularFile(file) || !GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > kMaxFileBytes) {
    CloseHandle(file);
    return false;
  }
  size_t total = static_cast<size_t>(size.QuadPart);
  out->data.resize(total + 1);
  size_t done = 0;
  while (done < total) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(total - done);
    if (!ReadFile(file, out->data.data() + done, want, &got, nullptr) || got == 0) break;
    done += got;
  }
  CloseHandle(file);
  if (done != total) {
    out->data.clear();
    return false;
  }
  out->data[total] = 0;
  return true;
}

bool FileExists(const char* path) {
  HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool regular = IsRegularFile(file);
  CloseHandle(file);
  return regular;
}

bool WriteWholeFile(const char* path, const void* bytes, size_t size) {
  std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  size_t done = 0;
  while (done < size) {
    DWORD put = 0;
    if (!WriteFile(file, p + done, static_cast<DWORD>(size - done), &put, nullptr) || put == 0) break;
    done += put;
  }
  return CloseHandle(file) && done == size;
}
