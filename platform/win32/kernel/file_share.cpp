// The open files of this process with their access and share modes.
#include "platform/win32/kernel/file_share.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kShareBits = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct Opener {
  const void* owner;
  DWORD access;
  DWORD share;
};

struct Table {
  std::mutex lock;
  std::map<std::pair<dev_t, ino_t>, std::vector<Opener>> files;
};

Table& table() {
  static Table* t = new Table;  // never destroyed: handles may be closed by static destructors
  return *t;
}

DWORD check_locked(Table& t, FileId id, DWORD access, DWORD share) {
  access &= kShareBits;
  if (!access) return 0;
  auto it = t.files.find({id.dev, id.ino});
  if (it == t.files.end()) return 0;
  for (const Opener& o : it->second) {
    if ((access & ~o.share) || (o.access & ~share)) return ERROR_SHARING_VIOLATION;
  }
  return 0;
}

}  // namespace

DWORD share_access_of(DWORD desiredAccess) {
  DWORD access = 0;
  if (desiredAccess & (GENERIC_READ | GENERIC_ALL)) access |= FILE_SHARE_READ;
  if (desiredAccess & (GENERIC_WRITE | GENERIC_ALL)) access |= FILE_SHARE_WRITE;
  if (desiredAccess & (GENERIC_ALL | DELETE)) access |= FILE_SHARE_DELETE;
  return access;
}

DWORD share_check(FileId id, DWORD access, DWORD share) {
  Table& t = table();
  std::lock_guard<std::mutex> hold(t.lock);
  return check_locked(t, id, access, share);
}

DWORD share_acquire(FileId id, DWORD access, DWORD share, const void* opener) {
  Table& t = table();
  std::lock_guard<std::mutex> hold(t.lock);
  if (DWORD error = check_locked(t, id, access, share)) return error;
  // Openers without data access take no part in sharing, so they are not kept.
  if (access & kShareBits) t.files[{id.dev, id.ino}].push_back({opener, access & kShareBits, share & kShareBits});
  return 0;
}

void share_release(FileId id, const void* opener) {
  Table& t = table();
  std::lock_guard<std::mutex> hold(t.lock);
  auto it = t.files.find({id.dev, id.ino});
  if (it == t.files.end()) return;
  auto& list = it->second;
  list.erase(std::remove_if(list.begin(), list.end(), [&](const Opener& o) { return o.owner == opener; }), list.end());
  if (list.empty()) t.files.erase(it);
}
