// Gadget colours and the brush cache: every gadget with the same back colour
// shares one solid brush, counted, and the last user to let go deletes it.
#include "gui/gadget_internal.h"
#include "runtime/mem.h"

namespace {

struct BrushEntry {
  BrushEntry* next;
  int32_t color;
  HBRUSH brush;
  int64_t count;
};

CRITICAL_SECTION g_lock;
bool g_lock_ready;
BrushEntry* g_entries;

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME;  // 0x407

COLORREF color_ref(int32_t color) { return static_cast<COLORREF>(color) & 0xFFFFFF; }

}  // namespace

void gadget_brush_init() {
  // Gadgets outlive gadget_end (their windows go later), so the lock is made once and kept.
  if (!g_lock_ready) {
    InitializeCriticalSection(&g_lock);
    g_lock_ready = true;
  }
}

HBRUSH gadget_brush_take(int32_t color) {
  if (!g_lock_ready) {
    return nullptr;
  }
  EnterCriticalSection(&g_lock);
  BrushEntry* entry = g_entries;
  while (entry && entry->color != color) {
    entry = entry->next;
  }
  HBRUSH brush = nullptr;
  if (entry) {
    entry->count++;
    brush = entry->brush;
  } else {
    brush = CreateSolidBrush(color_ref(color));
    entry = brush ? static_cast<BrushEntry*>(mem_alloc(sizeof(BrushEntry))) : nullptr;
    if (entry) {
      *entry = BrushEntry{g_entries, color, brush, 1};
      g_entries = entry;
    } else if (brush) {
      DeleteObject(brush);  // an uncounted brush could never be released
      brush = nullptr;
    }
  }
  LeaveCriticalSection(&g_lock);
  return brush;
}

void gadget_brush_release(HBRUSH brush) {
  if (!brush || !g_lock_ready) {
    return;
  }
  EnterCriticalSection(&g_lock);
  BrushEntry** link = &g_entries;
  while (*link && (*link)->brush != brush) {
    link = &(*link)->next;
  }
  BrushEntry* entry = *link;
  if (entry && --entry->count == 0) {
    *link = entry->next;
    DeleteObject(entry->brush);
    mem_free(entry);
  }
  LeaveCriticalSection(&g_lock);
}

void gadget_color_set(GadgetObject* gadget, int32_t which, int32_t color) {
  if (which == GADGET_FRONT_COLOR) {
    gadget->front_color = color;
  } else if (which == GADGET_BACK_COLOR) {
    gadget_brush_release(gadget->back_brush);
    gadget->back_brush = color == -1 ? nullptr : gadget_brush_take(color);
    gadget->back_color = color;
  } else {
    return;
  }
  RedrawWindow(gadget->handle, nullptr, nullptr, kRedrawAll);
}

int32_t gadget_color_get(GadgetObject* gadget, int32_t which) {
  if (which == GADGET_FRONT_COLOR) {
    return gadget->front_color;
  }
  return which == GADGET_BACK_COLOR ? gadget->back_color : -1;
}

void gadget_color_release(GadgetObject* gadget) {
  gadget_brush_release(gadget->back_brush);
  gadget->back_brush = nullptr;
}

LRESULT gadget_color_answer(GadgetObject* gadget, HDC dc, int system_color) {
  if (gadget->front_color != -1) {
    SetTextColor(dc, color_ref(gadget->front_color));
  }
  if (gadget->back_color != -1 && gadget->back_brush) {
    SetBkColor(dc, color_ref(gadget->back_color));
    return reinterpret_cast<LRESULT>(gadget->back_brush);
  }
  if (gadget->front_color != -1) {
    SetBkColor(dc, GetSysColor(system_color));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(system_color));
  }
  return GADGET_NOT_HANDLED;
}
