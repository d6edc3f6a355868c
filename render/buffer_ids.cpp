#include "render/buffer_ids.h"

bool PushFreeId(FreeIdStack* stack, uint32_t id) {
  if (stack->count >= FreeIdStack::kCapacity) return false;
  stack->ids[stack->count++] = id;
  return true;
}

bool PopFreeId(FreeIdStack* stack, uint32_t* id) {
  if (stack->count == 0) return false;
  *id = stack->ids[--stack->count];
  return true;
}

uint32_t TakeBufferId(FreeIdStack* stack, uint32_t tableLength) {
  uint32_t id;
  if (PopFreeId(stack, &id)) return id;
  return tableLength;
}
