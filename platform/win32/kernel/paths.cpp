// File names: UTF-16 <-> UTF-8, separators, and errno -> Win32 error codes.
#include "platform/win32/kernel/paths.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/win32/api.h"

bool utf16_to_utf8(const WCHAR* text, size_t units, std::string* out) {
  out->clear();
  out->reserve(units);
  for (size_t i = 0; i < units; ++i) {
    uint32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c < 0xE000) {
      if (c >= 0xDC00 || i + 1 >= units) return false;
      uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low < 0xDC00 || low >= 0xE000) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      *out += static_cast<char>(c);
    } else if (c < 0x800) {
      *out += static_cast<char>(0xC0 | (c >> 6));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *out += static_cast<char>(0xE0 | (c >> 12));
      *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (c >> 18));
      *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return true;
}

bool utf8_to_utf16(const char* text, size_t bytes, std::u16string* out) {
  out->clear();
  out->reserve(bytes);
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  for (size_t i = 0; i < bytes;) {
    uint32_t c = s[i];
    size_t extra;
    uint32_t least;
    if (c < 0x80) {
      extra = 0, least = 0;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, least = 0x80, c &= 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, least = 0x800, c &= 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, least = 0x10000, c &= 0x07;
    } else {
      return false;
    }
    if (bytes - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      c = (c << 6) | (s[i + k] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      *out += static_cast<char16_t>(0xD800 + (c >> 10));
      *out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      *out += static_cast<char16_t>(c);
    }
  }
  return true;
}

DWORD posix_path(LPCWSTR name, std::string* out) {
  if (!name || !name[0]) return ERROR_PATH_NOT_FOUND;
  size_t units = 0;
  for (; name[units]; ++units) {
    WCHAR c = name[units];
    if (c < 32 || c == '"' || c == '*' || c == '<' || c == '>' || c == '?' || c == '|') return ERROR_INVALID_NAME;
  }
  if (!utf16_to_utf8(name, units, out)) return ERROR_INVALID_NAME;
  for (char& c : *out) {
    if (c == '\\') c = '/';
  }
  return 0;
}

DWORD error_from_errno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case EIO: return ERROR_IO_DEVICE;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
  }
}

std::string path_parent(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  size_t slash = path.rfind('/', end - 1);
  if (slash == std::string::npos) return ".";
  while (slash > 0 && path[slash - 1] == '/') --slash;
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string path_leaf(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  size_t slash = path.rfind('/', end - 1);
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(start, end - start);
}

DWORD error_for_path(int err, const std::string& path) {
  if (err == ENOENT) {
    struct stat st;
    if (stat(path_parent(path).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  }
  return error_from_errno(err);
}

BOOL fail_with(DWORD error) {
  SetLastError(error);
  return FALSE;
}
