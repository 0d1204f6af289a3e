// Icons of the DLL's resources, for menu items and buttons; none natively.
#pragma once

namespace resource {

// The icon with resource number `id`; `size` 0 gives the system's default
// size, otherwise a square icon of that many pixels. Null when absent.
void* Icon(int id, int size = 0);

}  // namespace resource
