#pragma once

#include "app/ApplicationScene.h"
#include "session/Session.h"

namespace dravik {

// What the user set up, to be saved on exit. Of the two mappers' options
// only the active mapper's come from the live mapper; the other's are those
// last restored.
Session_t captureSession(const ApplicationScene& scene);
// Applies a saved set-up through the scene's own operations, as if chosen in
// the panels.
void restoreSession(ApplicationScene& scene, const Session_t& session);

} // namespace dravik
