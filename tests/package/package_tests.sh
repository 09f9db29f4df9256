#!/usr/bin/env bash
# The packages as a user gets them: the Debian package unpacked into a temporary root and run from
# there, its files and declared dependencies; the Windows zip unpacked and qdlcheck.exe run from it
# under Wine. Run by the test command after scripts/package.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
version=$(sed -n 's/^project(Quendle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=build/packages/quendle_${version}_amd64.deb
zip=build/packages/quendle-${version}-win32.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # description, then the command that must succeed
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what" >&2; failures=$((failures + 1)); fi
}

# A small tree: one identical file, one that differs.
mkdir -p "$work/src" "$work/dst"
printf 'same' >"$work/src/a.txt"
printf 'one' >"$work/src/b.txt"
printf 'two' >"$work/dst/b.txt"
cp -p "$work/src/a.txt" "$work/dst/a.txt"
touch -r "$work/src/b.txt" "$work/dst/b.txt"

echo "== $deb"
dpkg-deb -x "$deb" "$work/root"
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
echo "$files"
for f in ./usr/bin/quendle ./usr/bin/qdlcheck ./usr/share/doc/quendle/HowToUse.txt \
         ./usr/share/doc/quendle/copyright ./usr/share/doc/quendle/changelog.gz \
         ./usr/share/man/man1/qdlcheck.1.gz ./usr/share/man/man1/quendle.1.gz \
         ./usr/share/bash-completion/completions/qdlcheck; do
  check "the package holds $f" grep -qx "$f" <<<"$files"
done
completion=$work/root/usr/share/bash-completion/completions/qdlcheck
check "bash completes qdlcheck's options" test "$(bash -c 'source "$1"; COMP_WORDS=(qdlcheck --ti);
  COMP_CWORD=1; _qdlcheck; echo "${COMPREPLY[*]}"' - "$completion")" = "--time-window"
check "and the values of --stop" test "$(bash -c 'source "$1"; COMP_WORDS=(qdlcheck --stop f);
  COMP_CWORD=2; _qdlcheck; echo "${COMPREPLY[*]}"' - "$completion")" = "fatal"
check "and the values of --stop= after the =" test "$(bash -c 'source "$1"; COMP_WORDS=(qdlcheck --stop =);
  COMP_CWORD=2; _qdlcheck; echo "${COMPREPLY[*]}"' - "$completion")" = "notices errors fatal never"
check "and the values of --stop=f" test "$(bash -c 'source "$1"; COMP_WORDS=(qdlcheck --stop = f);
  COMP_CWORD=3; _qdlcheck; echo "${COMPREPLY[*]}"' - "$completion")" = "fatal"
check "and paths" test "$(cd "$work" && bash -c 'source "$1"; COMP_WORDS=(qdlcheck -x sr);
  COMP_CWORD=2; _qdlcheck; echo "${COMPREPLY[*]}"' - "$completion")" = "src"
check "lintian finds no error and no warning" lintian --fail-on error,warning "$deb"
check "nor, at its pedantic level, programs built without Debian's hardening" \
  test -z "$(lintian --info --pedantic "$deb" | grep hardening)"
check "the programs are stripped" test "$(file "$work/root/usr/bin/"* | grep -c 'not stripped')" -eq 0
check "their debug symbols come apart, by build ID" \
  test "$(tar tzf "build/packages/quendle_${version}_amd64-debug.tar.gz" | grep -c '\.debug$')" -eq 3
check "the copyright file carries the About box's notice" \
  grep -q "$(sed -n 's/.*FIRST_LINE "\(.*\)"/\1/p' resources/legal_notice.h)" "$work/root/usr/share/doc/quendle/copyright"
check "the changelog names this version" \
  grep -q "^quendle ($version)" <(zcat "$work/root/usr/share/doc/quendle/changelog.gz")
for page in qdlcheck quendle; do
  check "man $page fits 80 columns without a warning" test -z "$(MANWIDTH=80 man --warnings \
    -l "$work/root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
  check "and names the installed help file" \
    grep -q "/usr/share/doc/quendle/HowToUse.txt" <(zcat "$work/root/usr/share/man/man1/$page.1.gz")
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
check "it depends on the C library and ncurses" grep -q 'libc6.*libncursesw6' <<<"$depends"
check "it depends on liburing, which reads small files in batches" grep -q 'liburing2' <<<"$depends"
check "and not on MPI" test -z "$(grep -i mpi <<<"$depends")"
check "qdlcheck --version says $version" \
  grep -qx "qdlcheck $version (Quendle)" <<<"$("$work/root/usr/bin/qdlcheck" --version)"
status=0
out=$("$work/root/usr/bin/qdlcheck" "$work/src" "$work/dst" 2>/dev/null) || status=$?
check "the installed qdlcheck finds the differing file (exit 2)" test "$status" -eq 2
check "and names it" test "$out" = "NEC : b.txt"
check "its manual page shows" grep -q "EXIT STATUS" <<<"$(MANWIDTH=80 man -l "$work/root/usr/share/man/man1/qdlcheck.1.gz" 2>/dev/null)"
check "its --help fits 80 columns" test -z "$("$work/root/usr/bin/qdlcheck" --help | awk 'length > 80')"

# The installed terminal program, started in a folder without a help file, opens the installed one.
cat >"$work/pager" <<PAGER
#!/bin/sh
echo "\$1" >"$work/opened"
PAGER
chmod +x "$work/pager"
server=quendle-package-$$
tmux -L "$server" -f /dev/null new-session -d -x 80 -y 24 \
  "cd '$work/src' && PAGER='$work/pager' '$work/root/usr/bin/quendle'"
sleep 1
tmux -L "$server" send-keys M-h
for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
tmux -L "$server" kill-server 2>/dev/null || true
check "Help opens the installed HowToUse.txt" \
  test "$(readlink -f "$(cat "$work/opened" 2>/dev/null)")" = "$work/root/usr/share/doc/quendle/HowToUse.txt"

mpi_deb=build/packages/quendle-mpi_${version}_amd64.deb
echo "== $mpi_deb"
dpkg-deb -x "$mpi_deb" "$work/mpi"
files=$(dpkg-deb -c "$mpi_deb" | awk '{print $6}')
for f in ./usr/bin/qdlcheck-mpi ./usr/share/man/man1/qdlcheck-mpi.1.gz \
         ./usr/share/doc/quendle-mpi/copyright ./usr/share/doc/quendle-mpi/changelog.gz; do
  check "the package holds $f" grep -qx "$f" <<<"$files"
done
check "lintian finds no error and no warning" lintian --fail-on error,warning "$mpi_deb"
check "it depends on Open MPI's library" grep -q 'libopenmpi3' <<<"$(dpkg-deb -f "$mpi_deb" Depends)"
check "and recommends its launcher" test "$(dpkg-deb -f "$mpi_deb" Recommends)" = openmpi-bin
check "man qdlcheck-mpi fits 80 columns without a warning" test -z "$(MANWIDTH=80 man --warnings \
  -l "$work/mpi/usr/share/man/man1/qdlcheck-mpi.1.gz" 2>&1 >/dev/null)"
status=0
out=$(OMPI_MCA_btl_vader_single_copy_mechanism=none mpirun --oversubscribe --allow-run-as-root -np 2 \
  "$work/mpi/usr/bin/qdlcheck-mpi" "$work/src" "$work/dst" 2>/dev/null) || status=$?
check "the installed qdlcheck-mpi under mpirun finds the differing file (exit 2)" test "$status" -eq 2
check "and names it" test "$out" = "NEC : b.txt"

echo "== $zip"
unzip -q "$zip" -d "$work/unzipped"
check "the zip unpacks into one folder, quendle-$version" test "$(ls "$work/unzipped")" = "quendle-$version"
ln -s "$work/unzipped/quendle-$version" "$work/zip"
check "which holds the two programs, the help file and a README" \
  test "$(cd "$work/zip/" && ls | sort | tr '\n' ' ')" = "HowToUse.txt README.txt qdlcheck.exe quendle.exe "
check "the README tells the exit status and carries the notice" \
  grep -q "All rights reserved" <(grep -a "16  nothing could be compared" -A20 "$work/zip/README.txt")
check "down to exit bit 32" grep -q "32  extras" "$work/zip/README.txt"
check "HowToUse.txt has CR LF ends and lines Notepad need not wrap" \
  test "$(grep -c $'\r$' "$work/zip/HowToUse.txt")" -eq "$(wc -l <"$work/zip/HowToUse.txt")" -a \
       -z "$(tr -d '\r' <"$work/zip/HowToUse.txt" | awk 'length > 76')"
check "the programs have no debug sections" \
  test "$(i686-w64-mingw32-objdump -h "$work/zip/"*.exe | grep -c debug)" -eq 0
source scripts/wine_env.sh
if [ "$QUENDLE_WINE32" = yes ]; then
  status=0
  out=$("$QUENDLE_WINE" "$work/zip/qdlcheck.exe" "Z:$work/src" "Z:$work/dst" 2>/dev/null | tr -d '\r') || status=$?
  check "qdlcheck.exe from the zip finds the differing file (exit 2)" test "$status" -eq 2
  check "and names it" test "$out" = "NEC : b.txt"
else
  echo "NOT RUN: qdlcheck.exe from the zip is a 32-bit program and this kernel runs none" >&2
fi
exit $((failures > 0))
