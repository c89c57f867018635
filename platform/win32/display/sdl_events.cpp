// The SDL2 display's events as the stand-in's input: keys with the text the
// keyboard layout gives them (AltGr as Win32 sees it), text from input
// methods, the pointer in Win32 pixels of the window it is in, and what the
// window manager did (moves, sizes, states, activation, the close button).
#include <cstring>

#include "platform/win32/display/sdl_backend.h"
#include "platform/win32/kernel/paths.h"

namespace display::sdl {

bool Sdl::next_event(InputEvent* event) {
  SDL_Event ev;
  while (pending_.empty() && SDL_PollEvent(&ev)) translate(ev);
  if (pending_.empty() && focus_lost_) {
    // The keyboard left one of our windows; if none of ours has it now, it went to another program.
    if (!SDL_GetKeyboardFocus()) {
      InputEvent e;
      e.kind = InputEvent::Kind::Deactivated;
      e.surface = focus_lost_;
      emit(e);
    }
    focus_lost_ = nullptr;
  }
  if (pending_.empty()) return false;
  *event = pending_.front();
  pending_.pop_front();
  return true;
}

void Sdl::emit_text(Native* s, const std::u16string& text, size_t from) {
  for (size_t at = from; at < text.size(); at += 7) {
    InputEvent e;
    e.kind = InputEvent::Kind::Text;
    e.surface = s;
    text.copy(e.text, 7, at);
    emit(e);
  }
}

void Sdl::key_event(const SDL_KeyboardEvent& key, bool down) {
  UINT vk = virtual_key(key.keysym.sym, key.keysym.scancode, key.keysym.mod);
  if (!vk) return;
  Native* s = by_id(key.windowID);
  InputEvent e;
  e.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
  e.surface = s;
  e.key = vk;
  e.repeat = key.repeat != 0;
  if (!down) {
    emit(e);
    if (key.keysym.scancode == SDL_SCANCODE_RALT && altgr_control_) {
      altgr_control_ = false;
      InputEvent up = e;
      up.key = VK_CONTROL;
      emit(up);
    }
    return;
  }
  // The text a key types comes right after it, as its own event.
  SDL_Event next;
  std::string text;
  if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_TEXTINPUT) {
    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
    text = next.text.text;
  }
  if (!altgr_control_ && altgr_text(key.keysym.sym, text.c_str(), key.keysym.mod)) {
    altgr_control_ = true;
    InputEvent control = e;
    control.key = VK_CONTROL;
    emit(control);
  }
  std::u16string wide;
  if (!text.empty() && utf8_to_utf16(text.data(), text.size(), &wide)) {
    wide.copy(e.text, 7);
    e.text_final = true;
    emit(e);
    emit_text(s, wide, 7);  // what a key event cannot carry follows as text
    return;
  }
  e.text_final = types_characters(vk, key.keysym.mod);  // a dead key, or an input method composing
  emit(e);
}

void Sdl::mouse_event(const SDL_Event& ev) {
  int k = settings_.scale;
  InputEvent e;
  Uint32 id;
  int x, y;
  switch (ev.type) {
    case SDL_MOUSEMOTION:
      e.kind = InputEvent::Kind::MouseMove, id = ev.motion.windowID, x = ev.motion.x, y = ev.motion.y;
      break;
    case SDL_MOUSEWHEEL:
      e.kind = InputEvent::Kind::MouseWheel, id = ev.wheel.windowID, x = ev.wheel.mouseX, y = ev.wheel.mouseY;
      e.wheel = wheel_delta(ev.wheel);
      if (!e.wheel) return;
      break;
    default:
      e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp;
      id = ev.button.windowID, x = ev.button.x, y = ev.button.y;
      e.button = mouse_button(ev.button.button);
      if (!e.button) return;
      break;
  }
  Native* s = by_id(id);
  if (!s) return;
  RECT c = content(s);
  e.surface = s;
  e.x = c.left + floor_div(x, k);
  e.y = c.top + floor_div(y, k);
  emit(e);
}

void Sdl::window_event(const SDL_WindowEvent& w) {
  Native* s = by_id(w.windowID);
  if (!s) return;
  int k = settings_.scale;
  const RECT& f = s->style.frame;
  InputEvent e;
  e.surface = s;
  switch (w.event) {
    case SDL_WINDOWEVENT_MOVED: {
      OffsetRect(&s->native, floor_div(w.data1, k) - s->native.left, floor_div(w.data2, k) - s->native.top);
      int x = s->native.left - f.left, y = s->native.top - f.top;
      if (s->state != ShowState::Normal || (x == s->bounds.left && y == s->bounds.top)) return;
      OffsetRect(&s->bounds, x - s->bounds.left, y - s->bounds.top);
      e.kind = InputEvent::Kind::Moved, e.x = x, e.y = y;
      break;
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      s->presented = false;  // a new framebuffer
      s->native.right = s->native.left + (w.data1 + k - 1) / k;
      s->native.bottom = s->native.top + (w.data2 + k - 1) / k;
      int cx = s->native.right - s->native.left + f.left + f.right,
          cy = s->native.bottom - s->native.top + f.top + f.bottom;
      if (cx != s->bounds.right - s->bounds.left || cy != s->bounds.bottom - s->bounds.top) {
        s->bounds.right = s->bounds.left + cx;
        s->bounds.bottom = s->bounds.top + cy;
        InputEvent sized = e;
        sized.kind = InputEvent::Kind::Resized, sized.width = cx, sized.height = cy;
        emit(sized);
      }
      e.kind = InputEvent::Kind::Exposed;
      break;
    }
    case SDL_WINDOWEVENT_EXPOSED:
      // The framebuffer still holds the last picture: shown again without the program.
      if (s->presented && SDL_UpdateWindowSurface(s->window) == 0) return;
      e.kind = InputEvent::Kind::Exposed;
      break;
    case SDL_WINDOWEVENT_MINIMIZED: s->state = ShowState::Minimized, e.kind = InputEvent::Kind::Minimized; break;
    case SDL_WINDOWEVENT_MAXIMIZED: s->state = ShowState::Maximized, e.kind = InputEvent::Kind::Maximized; break;
    case SDL_WINDOWEVENT_RESTORED: s->state = ShowState::Normal, e.kind = InputEvent::Kind::Restored; break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: e.kind = InputEvent::Kind::Activated; break;
    case SDL_WINDOWEVENT_FOCUS_LOST: focus_lost_ = s; return;
    case SDL_WINDOWEVENT_CLOSE: e.kind = InputEvent::Kind::Close; break;
    case SDL_WINDOWEVENT_LEAVE:
      // The pointer went to no window of ours: a move far away ends mouse tracking.
      e.kind = InputEvent::Kind::MouseMove, e.x = e.y = -32000;
      break;
    default: return;
  }
  // A state the program asked for itself is no news to it.
  if ((e.kind == InputEvent::Kind::Minimized && s->asked == ShowState::Minimized) ||
      (e.kind == InputEvent::Kind::Maximized && s->asked == ShowState::Maximized) ||
      (e.kind == InputEvent::Kind::Restored && s->asked == ShowState::Normal))
    return;
  emit(e);
}

void Sdl::translate(const SDL_Event& ev) {
  if (ev.type == wake_type_) {
    wake_pending_ = false;
    return;
  }
  switch (ev.type) {
    case SDL_KEYDOWN: key_event(ev.key, true); break;
    case SDL_KEYUP: key_event(ev.key, false); break;
    case SDL_TEXTINPUT: {
      std::u16string text;
      if (utf8_to_utf16(ev.text.text, std::strlen(ev.text.text), &text)) emit_text(by_id(ev.text.windowID), text, 0);
      break;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: mouse_event(ev); break;
    case SDL_WINDOWEVENT: window_event(ev.window); break;
    default: break;  // SDL_QUIT among them: closing is each window's own business
  }
}

}  // namespace display::sdl
