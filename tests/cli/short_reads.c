/* Preloaded into velmori-cli by the command line's tests: every read(2) of a
 * regular file returns at most VELMORI_READ_CAP bytes, as FUSE and network
 * file systems may return in mid-file. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

ssize_t read(int fd, void* buffer, size_t count) {
  static ssize_t (*real_read)(int, void*, size_t);
  static size_t cap;
  if (real_read == NULL) {
    real_read = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
    const char* text = getenv("VELMORI_READ_CAP");
    cap = text != NULL ? strtoul(text, NULL, 10) : 0;
  }
  struct stat st;
  if (cap > 0 && count > cap && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) count = cap;
  return real_read(fd, buffer, count);
}
