#include "app/win32/placement.h"

WindowPlacement StoredPlacementOf(const WINDOWPLACEMENT& system, bool maximised) {
  WindowPlacement stored;
  stored.flags = maximised ? kPlacementRestoreToMaximized : 0;
  stored.showCommand = system.showCmd;
  stored.minX = system.ptMinPosition.x;
  stored.minY = system.ptMinPosition.y;
  stored.maxX = system.ptMaxPosition.x;
  stored.maxY = system.ptMaxPosition.y;
  stored.left = system.rcNormalPosition.left;
  stored.top = system.rcNormalPosition.top;
  stored.right = system.rcNormalPosition.right;
  stored.bottom = system.rcNormalPosition.bottom;
  return stored;
}

WINDOWPLACEMENT SystemPlacementOf(const WindowPlacement& stored) {
  WINDOWPLACEMENT system{};
  system.length = sizeof system;
  system.flags = stored.flags;
  switch (stored.showCommand) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      system.showCmd =
          (stored.flags & WPF_RESTORETOMAXIMIZED) != 0 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
      break;
    default:
      system.showCmd = stored.showCommand;
      break;
  }
  system.ptMinPosition = POINT{stored.minX, stored.minY};
  system.ptMaxPosition = POINT{stored.maxX, stored.maxY};
  system.rcNormalPosition = RECT{stored.left, stored.top, stored.right, stored.bottom};
  return system;
}
