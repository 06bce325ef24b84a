#!/usr/bin/env bash
# Builds the download for Windows users: dist/Pelorane-<version>-win64.zip holding the stripped
# Pelorane.exe, the Japanese guide, LICENSE and SHA256SUMS of those three.
#
#   bash scripts/release.sh                    build in build/release, zip into dist/
#   bash scripts/release.sh BUILD_DIR OUT_DIR  the same with other folders
#   bash scripts/release.sh --check            build twice from scratch (build/release-a and
#                                              build/release-b, ccache off) and compare the bytes
#
# The zip depends only on the commit: file times are the commit's time, the order and the
# permissions are fixed, the executable carries no time stamp and no build path.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

if [ "${1:-}" = "--check" ]; then
  # Both builds compile everything themselves: with ccache the second build would take the first
  # one's objects and hide whatever depends on the build folder.
  unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
  export CCACHE_DISABLE=1
  status=0
  for side in a b; do
    rm -rf "build/release-$side"
    bash scripts/release.sh "build/release-$side" "build/release-$side/dist" >/dev/null
  done
  for side in a b; do
    files=("build/release-$side"/dist/*.zip)
    [ "${#files[@]}" -eq 1 ] && [ -f "${files[0]}" ] || { echo "no zip in build/release-$side/dist" >&2; exit 1; }
  done
  zip_a="$(ls build/release-a/dist/*.zip)"
  zip_b="$(ls build/release-b/dist/*.zip)"
  for pair in "$zip_a $zip_b" "build/release-a/Pelorane.exe build/release-b/Pelorane.exe" \
              "build/release-a/stage/Pelorane.exe build/release-b/stage/Pelorane.exe"; do
    set -- $pair
    if cmp "$1" "$2"; then echo "same bytes: $1 $2"; else status=1; fi
  done
  # What the user unpacks: the four files, the guide readable in Notepad, sums that hold.
  python3 - "$zip_a" <<'PY' || status=1
import hashlib, struct, sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = ["Pelorane.exe", "はじめにお読みください.txt", "LICENSE", "SHA256SUMS"]
problems = []
if archive.namelist() != names:
    problems.append(f"files {archive.namelist()}")
else:
    data = {name: archive.read(name) for name in names}
    guide = data[names[1]]
    if not guide.startswith(b"\xef\xbb\xbf") or guide.count(b"\n") != guide.count(b"\r\n"):
        problems.append("guide without BOM or with bare LF")
    sums = "".join(f"{hashlib.sha256(data[n]).hexdigest()}  {n}\n" for n in names[:3]).encode()
    if data["SHA256SUMS"] != sums:
        problems.append("SHA256SUMS does not match")
    exe = data["Pelorane.exe"]
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<I", exe, pe + 8)[0] != 0:
        problems.append("PE time stamp set")
    if b".debug_" in exe:
        problems.append("Pelorane.exe not stripped")
for problem in problems:
    print("zip content:", problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
  [ "$status" -eq 0 ] && echo "reproducible: $(basename "$zip_a") $(sha256sum < "$zip_a" | cut -c1-64)"
  exit "$status"
fi

build="${1:-build/release}"
out="${2:-dist}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
case "$out" in /*) ;; *) out="$root/$out" ;; esac

# Dates come from the commit, never from the clock (gcc reads this too, for __DATE__).
SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
export SOURCE_DATE_EPOCH

echo "building Pelorane.exe in $build ..."
# Source and build folders must not reach the objects (assertion texts, debug information). Only
# here: in the everyday builds the folder names in the flags would keep ccache from sharing objects
# between checkouts.
prefix_maps="-ffile-prefix-map=$root/= -ffile-prefix-map=$build/="
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS="$prefix_maps" -DCMAKE_CXX_FLAGS="$prefix_maps" >/dev/null
cmake --build "$build" --target Pelorane -j "${PELORANE_JOBS:-2}" >/dev/null

version="$(sed -n 's/^#define PELORANE_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/ui/Version.h")"
[ -n "$version" ] || { echo "no version in $build/generated/ui/Version.h" >&2; exit 1; }

stage="$build/stage"
rm -rf "$stage"
mkdir -p "$stage" "$out"
# strip writes SOURCE_DATE_EPOCH into the PE header's time stamp: 0 keeps it empty, as the linker left it.
SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip --strip-all -o "$stage/Pelorane.exe" "$build/Pelorane.exe"

zip="$out/Pelorane-$version-win64.zip"
rm -f "$zip"
python3 - "$root" "$stage" "$zip" "$SOURCE_DATE_EPOCH" <<'PY'
import hashlib, os, sys, time, zipfile
root, stage, zip_path, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

def text_for_notepad(path, bom):
    # Notepad of every Windows version shows CR LF text; the byte-order mark tells it UTF-8.
    data = open(path, "rb").read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    return (b"\xef\xbb\xbf" if bom else b"") + data

guide = "はじめにお読みください.txt"
files = [
    ("Pelorane.exe", open(os.path.join(stage, "Pelorane.exe"), "rb").read()),
    (guide, text_for_notepad(os.path.join(root, "docs", "guide-ja.txt"), bom=True)),
    ("LICENSE", text_for_notepad(os.path.join(root, "LICENSE"), bom=False)),
]
sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
files.append(("SHA256SUMS", sums.encode("utf-8")))
for name, data in files:
    with open(os.path.join(stage, name), "wb") as f:
        f.write(data)

# Zip times are local times with two-second steps and start in 1980; the commit time in UTC serves.
stamp = max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))
stamp = stamp[:5] + (stamp[5] - stamp[5] % 2,)
# Written aside and renamed at the end: a zip cut short (full disk) never stands under the real name.
partial = zip_path + ".partial"
with zipfile.ZipFile(partial, "w") as archive:
    for name, data in files:
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 3              # Unix, so that the permission bits below are read
        info.external_attr = 0o100644 << 16  # a plain file, rw-r--r--
        archive.writestr(info, data, compresslevel=9)
os.replace(partial, zip_path)
PY
echo "$zip"
