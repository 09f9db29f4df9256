# Wraps the preprocessed resource script into a C++ source: cmake -DIN=... -DOUT=... -P this file.
file(READ "${IN}" script)
file(WRITE "${OUT}" "// Generated from resources/quendle.rc by the build; do not edit.\n"
     "#include \"app/dialog_script.h\"\n"
     "const char quendleDialogScript[] = R\"quendle_rc(${script})quendle_rc\";\n")
