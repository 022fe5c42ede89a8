#pragma once

namespace quillmar {

// Chooses the toolkit configuration the program runs with. Call it before the
// QApplication exists: Qt reads these settings when it creates the object.
//
// Qt's own UNIX event dispatcher (QT_NO_GLIB=1) instead of the GLib one: the
// run loop processes events once per generation, and an empty pass through
// Qt's dispatcher costs a fraction of a pass through GLib's. A value the user
// set is left alone.
void prepareToolkit();

}  // namespace quillmar
