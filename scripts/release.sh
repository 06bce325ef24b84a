#!/usr/bin/env bash
# Builds the download for Windows users: dist/Pelorane-<version>-win64.zip holding the stripped
# Pelorane.exe, the Japanese guide, LICENSE.txt and SHA256SUMS.txt of those three.
#
#   bash scripts/release.sh                    build in build/release, zip into dist/
#   bash scripts/release.sh BUILD_DIR OUT_DIR  the same with other folders
#   bash scripts/release.sh --allow-dirty ...  build a checkout with uncommitted changes too; the
#                                              zip is then named Pelorane-<version>-dirty-win64.zip
#   bash scripts/release.sh --check            build twice from scratch (build/release-a and
#                                              "build/release b", ccache off) and compare the bytes
#
# The zip depends only on the commit: file times are the commit's time, the order and the
# permissions are fixed, the executable carries no time stamp and no build path. So a checkout with
# changes that are not committed is refused: its zip would carry the commit's version and time but
# not its content, and nobody could build it again. --check accepts such a checkout (it tests the
# build, and runs while work is in progress), naming its zips "-dirty".
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

if [ "${1:-}" = "--check" ]; then
  # Both builds compile everything themselves: with ccache the second build would take the first
  # one's objects and hide whatever depends on the build folder. The second folder holds a blank,
  # as "C:\Users\Taro Yamada" or "/home/x/My Projects" would.
  unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
  export CCACHE_DISABLE=1
  builds=("build/release-a" "build/release b")
  zips=()
  for build in "${builds[@]}"; do
    rm -rf "$build"
    bash scripts/release.sh --allow-dirty "$build" "$build/dist" >/dev/null
    files=("$build"/dist/*.zip)
    [ "${#files[@]}" -eq 1 ] && [ -f "${files[0]}" ] || { echo "no zip in $build/dist" >&2; exit 1; }
    zips+=("${files[0]}")
  done
  status=0
  for name in "" Pelorane.exe stage/Pelorane.exe; do
    if [ -z "$name" ]; then first="${zips[0]}"; second="${zips[1]}"
    else first="${builds[0]}/$name"; second="${builds[1]}/$name"; fi
    if cmp "$first" "$second"; then echo "same bytes: $first $second"; else status=1; fi
  done
  # What the user unpacks: the four files, texts that Notepad shows, sums that hold, and the
  # program's properties naming the licence's copyright and the file's own name.
  python3 - "${zips[0]}" <<'PY' || status=1
import hashlib, struct, sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = ["Pelorane.exe", "はじめにお読みください.txt", "LICENSE.txt", "SHA256SUMS.txt"]
problems = []

def version_string(exe, key):
    # A String of the version resource: its key in UTF-16 with a terminating zero, zeros up to the
    # next 32-bit boundary, then the value, also with a terminating zero.
    at = exe.find((key + "\0").encode("utf-16-le"))
    if at < 0:
        return None
    at += 2 * (len(key) + 1)
    while exe[at:at + 2] == b"\0\0":
        at += 2
    end = at
    while end < len(exe) and exe[end:end + 2] != b"\0\0":
        end += 2
    return exe[at:end].decode("utf-16-le")

if archive.namelist() != names:
    problems.append(f"files {archive.namelist()}")
else:
    data = {name: archive.read(name) for name in names}
    for name in names[1:]:
        if data[name].count(b"\n") != data[name].count(b"\r\n"):
            problems.append(f"{name} with bare LF")
    if not data[names[1]].startswith(b"\xef\xbb\xbf"):
        problems.append("guide without BOM")
    sums = "".join(f"{hashlib.sha256(data[n]).hexdigest()}  {n}\r\n" for n in names[:3]).encode()
    if data["SHA256SUMS.txt"] != sums:
        problems.append("SHA256SUMS.txt does not match")
    exe = data["Pelorane.exe"]
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<I", exe, pe + 8)[0] != 0:
        problems.append("PE time stamp set")
    if b".debug_" in exe:
        problems.append("Pelorane.exe not stripped")
    copyright = next((line for line in data["LICENSE.txt"].decode().splitlines() if line.startswith("Copyright ")), "")
    for key, expected in (("LegalCopyright", copyright), ("OriginalFilename", "Pelorane.exe")):
        found = version_string(exe, key)
        if not expected or found != expected:
            problems.append(f"version resource {key} {found!r}, not {expected!r}")
for problem in problems:
    print("zip content:", problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
  [ "$status" -eq 0 ] && echo "reproducible: $(basename "${zips[0]}") $(sha256sum < "${zips[0]}" | cut -c1-64)"
  exit "$status"
fi

suffix=""
if [ "${1:-}" = "--allow-dirty" ]; then
  shift
  # Files git does not ignore count as well: the build takes every source file in the folders.
  [ -z "$(git status --porcelain --untracked-files=all)" ] || suffix="-dirty"
elif [ -n "$(git status --porcelain --untracked-files=all)" ]; then
  echo "release: the checkout has changes that are not committed; commit them first" >&2
  echo "(or build a test zip named -dirty with: bash scripts/release.sh --allow-dirty):" >&2
  git status --short --untracked-files=all | head -n 20 >&2
  exit 1
fi

build="${1:-build/release}"
out="${2:-dist}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
case "$out" in /*) ;; *) out="$root/$out" ;; esac

# Dates come from the commit, never from the clock (gcc reads this too, for __DATE__).
SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
export SOURCE_DATE_EPOCH

echo "building Pelorane.exe in $build ..."
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPELORANE_MAP_PREFIXES=ON >/dev/null
cmake --build "$build" --target Pelorane -j "${PELORANE_JOBS:-2}" >/dev/null

version="$(sed -n 's/^#define PELORANE_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/ui/Version.h")"
[ -n "$version" ] || { echo "no version in $build/generated/ui/Version.h" >&2; exit 1; }

stage="$build/stage"
rm -rf "$stage"
mkdir -p "$stage" "$out"
# strip writes SOURCE_DATE_EPOCH into the PE header's time stamp: 0 keeps it empty, as the linker left it.
SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip --strip-all -o "$stage/Pelorane.exe" "$build/Pelorane.exe"

zip="$out/Pelorane-$version$suffix-win64.zip"
rm -f "$zip"
python3 - "$root" "$stage" "$zip" "$SOURCE_DATE_EPOCH" <<'PY'
import hashlib, os, sys, time, zipfile
root, stage, zip_path, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

def crlf(data):
    # Notepad of every Windows version shows CR LF text.
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")

def text_for_notepad(path, bom):
    # The byte-order mark tells Notepad that the text is UTF-8.
    return (b"\xef\xbb\xbf" if bom else b"") + crlf(open(path, "rb").read())

# Names ending in .txt: Windows opens them with a double-click.
guide = "はじめにお読みください.txt"
files = [
    ("Pelorane.exe", open(os.path.join(stage, "Pelorane.exe"), "rb").read()),
    (guide, text_for_notepad(os.path.join(root, "docs", "guide-ja.txt"), bom=True)),
    ("LICENSE.txt", text_for_notepad(os.path.join(root, "LICENSE"), bom=False)),
]
# No byte-order mark here: sha256sum -c would take it for part of the first sum.
sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
files.append(("SHA256SUMS.txt", crlf(sums.encode("utf-8"))))
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
