#pragma once

namespace tavrel::qt {
// Makes the pictures of assets/assets.qrc available (they live in a static library, whose
// resource initialiser the linker would otherwise drop). Safe to call more than once.
void InitResources();
}  // namespace tavrel::qt
