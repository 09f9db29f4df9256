// Whether the user asked the run to stop (Ctrl-C, a closed terminal, the end of the session), as
// the console control handler heard it: a call the signal interrupted then gives way instead of
// being made again.
#pragma once

bool interruptionRequested();
