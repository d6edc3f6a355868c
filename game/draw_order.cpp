// The enemies' drawing order: higher on the screen first, so lower ones cover them. This exact
// quicksort decides which of two enemies at the same height covers the other, so it is kept as
// it is rather than replaced by a library sort.
#include "game/game.h"

void Game::SortByDepth(Game* game, uint32_t* indices, uint32_t low, uint32_t high) {
  for (;;) {
    uint32_t p = PartitionByDepth(game, indices, low, high, low + (high - low) / 2);
    if (p >= low + 2) SortByDepth(game, indices, low, p - 1);
    if (p + 1 < high) {
      low = p + 1;
    } else {
      return;
    }
  }
}

uint32_t Game::PartitionByDepth(Game* game, uint32_t* indices, uint32_t low, uint32_t high,
                                uint32_t pivot) {
  auto depth = [game, indices](uint32_t at) { return game->enemies[indices[at]].position.y; };
  float key = depth(pivot);
  uint32_t swap = indices[pivot];
  indices[pivot] = indices[high];
  indices[high] = swap;
  uint32_t store = low;
  for (uint32_t j = low; j < high; ++j) {
    if (depth(j) > key) {
      swap = indices[j];
      indices[j] = indices[store];
      indices[store] = swap;
      ++store;
    }
  }
  swap = indices[store];
  indices[store] = indices[high];
  indices[high] = swap;
  return store;
}
