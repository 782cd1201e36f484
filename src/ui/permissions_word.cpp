// The permissions warning (see the header).
#include "ui/permissions_word.h"

#include "keystroke/permissions.h"
#include "ui/colours.h"

namespace ui {

PermissionsWord::PermissionsWord(std::shared_ptr<Permissions> permissions, QWidget* parent)
    : TextButton("PERMISSIONS", monospaced(13, true), AMBER, {}, parent), permissions_(permissions) {
  setObjectName("permissions");
  setAccessibleName("Permissions");
  setToolTip(HELP);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (const auto p = permissions_.lock()) p->openMissing();
  });
  if (permissions) subscription_ = Subscription(permissions, [this] { redraw(); });
  redraw();
}

void PermissionsWord::redraw() {
  const auto p = permissions_.lock();
  setHidden(!p || p->missing.empty());
}

}  // namespace ui
