// The main window and its thirteen controls.
#pragma once

// Opens window 0 centred with its controls. False when the window or its controls cannot be attached.
bool OpenMainWindow();
