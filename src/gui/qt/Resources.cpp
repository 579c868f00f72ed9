#include "gui/qt/Resources.h"

#include <QtCore/QDir>

static void InitAssets() { Q_INIT_RESOURCE(assets); }

namespace tavrel::qt {
void InitResources() {
  static const bool done = (InitAssets(), true);
  (void)done;
}
}  // namespace tavrel::qt
