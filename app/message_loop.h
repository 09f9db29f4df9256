#pragma once

// Dispatches every message until the quit message; returns its wParam.
int runMessageLoop();
