#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

Text run_directory() {
  std::string buffer(4096, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);  // the path filled the buffer: it may be cut short
  }
  size_t slash = buffer.rfind('/');
  if (slash == std::string::npos) return {};
  return Text(buffer.substr(0, slash == 0 ? 1 : slash));
}

Text path_separator() {
  return "/";
}

bool write_file(const Text& path, const Bytes& data) {
  if (path.empty()) return false;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* p = data.data();
  size_t left = static_cast<size_t>(data.size());
  bool ok = true;
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (close(fd) != 0) ok = false;
  return ok;
}
