// The dialogs of resources/quendle.rc, preprocessed and embedded by the build, for a window system
// that reads its dialogs from a script (the POSIX one); Windows reads them from the resources.
#pragma once

extern const char quendleDialogScript[];
