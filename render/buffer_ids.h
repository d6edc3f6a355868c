#pragma once
// Ids of vertex and index buffers given back, waiting to be reused: a stack of at most 1,024,
// last in, first out. The buffer tables themselves only grow.
#include <cstdint>

struct FreeIdStack {
  static constexpr uint32_t kCapacity = 1024;
  uint32_t ids[kCapacity];
  uint32_t count = 0;
};

// False when the stack is full: the id is then not kept (its buffer stays in the table unused).
bool PushFreeId(FreeIdStack* stack, uint32_t id);
// False when the stack is empty.
bool PopFreeId(FreeIdStack* stack, uint32_t* id);
// The id for a new buffer: the last one given back, or else tableLength (the table then grows
// by one, which the caller does).
uint32_t TakeBufferId(FreeIdStack* stack, uint32_t tableLength);
