// The memory of a long list: blocks mapped on their own, in large pages
// where the system offers them, and made present ahead of the writer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace listbox {

// A block of memory that may be large (a long list's records, its text
// chunks). A large one is mapped on its own, in large pages where the system
// offers them, so that filling it traps once for every 2 MiB instead of every
// 4 KiB, and letting it go gives it back to the system at once. Null when
// memory runs out; free_large takes the same size.
void* allocate_large(size_t bytes);
void free_large(void* block, size_t bytes);

// A block for texts about to be written front to back, whose pages are
// made present ahead of the writer: a small block's at once, a large one's a
// few large pages ahead by a helper thread while the caller fills it (the
// system clearing each fresh page was a fifth of building a long page).
// Free it with free_large.
uint8_t* allocate_text_block(size_t bytes);
// Tells the helper that the writer of a block of `size` bytes, from
// allocate_text_block or a records vector's allocate_large, has moved its end
// from `before` to `after`.
void block_written(uint8_t* block, size_t size, size_t before, size_t after);

// Gives back to the system what a block of `size` bytes from allocate_large
// holds beyond `used`; the room stays reserved.
void release_tail(void* block, size_t used, size_t size);

}  // namespace listbox
