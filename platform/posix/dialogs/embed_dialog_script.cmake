# Wraps the preprocessed resource script into a C++ source: cmake -DIN=... -DOUT=... -P this file.
file(READ "${IN}" script)
file(WRITE "${OUT}" "// Generated from resources/quendle.rc by the build; do not edit.\n"
     "extern const char quendleDialogScript[];\n"
     "const char quendleDialogScript[] = R\"quendle_rc(${script})quendle_rc\";\n")
