// Native build of the file functions, for the portable tests and tools.
#include "app/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool ReadWholeFile(const char* path, FileBytes* out) {
  out->data.clear();
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<uint64_t>(info.st_size) > kMaxFileBytes) {
    close(fd);
    return false;
  }
  size_t size = static_cast<size_t>(info.st_size);
  out->data.resize(size + 1);
  size_t done = 0;
  while (done < size) {
    ssize_t got = read(fd, out->data.data() + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  if (done != size) {
    out->data.clear();
    return false;
  }
  out->data[size] = 0;
  return true;
}

bool FileExists(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  return regular;
}

bool WriteWholeFile(const char* path, const void* bytes, size_t size) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  size_t done = 0;
  while (done < size) {
    ssize_t put = write(fd, p + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  return close(fd) == 0 && done == size;
}
