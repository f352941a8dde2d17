#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and benchmarking need, and only those
# that are missing; then checks that every library the link lines name can be found.
#   scripts/install-deps.sh           what `make run` and `make test` need
#   scripts/install-deps.sh --bench   and what `make bench` needs besides
#   scripts/install-deps.sh --package and what `make package` needs besides
#   scripts/install-deps.sh --lint    and what `make lint` needs besides (--fuzz: `make fuzz`)
set -euo pipefail

packages=(
  # compiler and build
  build-essential cmake pkg-config
  # the window and picture formats (tiff, webp ... are plug-ins of their own)
  qt6-base-dev qt6-image-formats-plugins qt6-svg-dev libgl1-mesa-dev
  # GLib, whose event loop Qt runs: the render's yield watches it
  libglib2.0-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # the batch tool's png writer and the loader's png decoder
  libpng-dev
  # zlib, which the clipboard's own PNG encoder uses directly (libpng-dev brings it too)
  zlib1g-dev
  # the batch tool's tiff and webp writers (its jpg writer uses libjpeg-dev below); libwebp-dev
  # brings libwebpmux (animated webp out) and libwebpdemux (the picture helper's frames in)
  libtiff-dev libwebp-dev
  # metafiles: emf and wmf converters for the metafile helper. libwmf's link line
  # (`pkg-config --libs libwmf`: -lwmf -lwmflite -lfreetype -lX11 -lexpat -ljpeg -lpng -lz -lm)
  # names libraries whose development packages libwmf-dev does not pull in: expat and jpeg.
  libemf2svg-dev libwmf-dev libexpat1-dev libjpeg-dev
  # libwmf cannot draw without these fonts, which its runtime only recommends
  fonts-urw-base35
  # HEIF (HEIC, AVIF) and JPEG XL for the photo helper; libheif brings its HEVC and AV1 decoders.
  # The helper drives libde265 itself (HEVC on every core) and reads AVIF image sequences,
  # which libheif cannot, through libavif.
  libheif-dev libjxl-dev libde265-dev libavif-dev
  # encoders and decoders that make and check the HEIF, AVIF and JPEG XL samples in the tests
  libheif-examples libjxl-tools libavif-bin
  # the loader's own GIF decoder (its JPEG decoder uses libjpeg-dev above)
  libgif-dev
  # the decoding helpers lock themselves down with a seccomp filter, having opened the font files
  # that fontconfig lists
  libseccomp-dev libfontconfig-dev
  # the picture helper's TIFF reader
  libtiff-dev
  # independent decoders that the tests compare the own decoders and the TIFF reader with
  # (Pillow, netpbm's pamdepth and pamtopng, ImageMagick), and tiffcp to make test TIFFs
  python3-pil netpbm imagemagick libtiff-tools
  # end-to-end tests: a virtual X server, input events, the clipboard, a font for the window
  xvfb xauth xdotool xclip x11-utils libxcb1-dev fonts-dejavu-core
  # the batch tool's manual page, made from its --help at build time
  help2man
  # glintwork-spread's engines (GNU parallel over ssh; Slurm) and its tests, which start an sshd
  # and a one-node Slurm with its munge daemon of their own on the loopback address
  parallel openssh-client openssh-server slurmctld slurmd slurm-client munge
  # the test of the README's recipe for video through pipes (ffmpeg | glintwork-cli --stream |
  # ffmpeg), and the animated GIF it makes for the note on frames left out
  ffmpeg
)
if [ "${1:-}" = "--bench" ]; then
  # the peers that the batch benchmark compares against, and the timer it measures them with
  packages+=(imagemagick libvips-tools time)
  # djpeg: the floor of the JPEG load figure and of the batch tool's JPEG case
  packages+=(libjpeg-turbo-progs)
  # cwebp: what the batch tool's webp output is compared with
  packages+=(webp)
  # GNU parallel's --trc, against which glintwork-spread's transfer is measured
  packages+=(rsync)
  # gifsicle: what the batch tool's gif output is compared with (gifsicle -O2)
  packages+=(gifsicle)
fi
if [ "${1:-}" = "--package" ]; then
  # `make package`: dpkg-shlibdeps for the dependencies, and the package's checks
  packages+=(dpkg-dev lintian appstream)
fi
if [ "${1:-}" = "--lint" ]; then
  # `make lint`: Debian 12's clang-format and clang-tidy (with run-clang-tidy)
  packages+=(clang-format clang-tidy)
fi
if [ "${1:-}" = "--fuzz" ]; then
  # only for fuzzing (`make fuzz`): clang with its libFuzzer and sanitizer runtimes, and
  # llvm-symbolizer, which puts names and lines into the sanitizers' reports
  packages+=(clang libclang-rt-14-dev llvm)
fi

# pkg-config modules whose link lines the build uses; each -l must resolve after the install.
link_modules=(libwmf libpng libjpeg libgif libtiff-4 libwebp libwebpmux libwebpdemux libheif libjxl libjxl_threads libde265
  libavif glib-2.0 libseccomp fontconfig)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  # The daemons above are for the tests, which start their own: the install starts none (nor
  # could it in a chroot), through a policy-rc.d that says no while this install runs.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\n# scripts/install-deps.sh: no daemon starts during its install\nexit 101\n' |
      "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$policy"
    trap '"${sudo_cmd[@]}" rm -f "$policy"' EXIT
  fi
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
  # Under systemd they would start at the next boot: the ones installed here stay off.
  if [ -d /run/systemd/system ]; then
    units=()
    for p in "${missing[@]}"; do
      case "$p" in
        openssh-server) units+=(ssh) ;;
        slurmctld | slurmd | munge) units+=("$p") ;;
      esac
    done
    [ ${#units[@]} -eq 0 ] || "${sudo_cmd[@]}" systemctl disable --quiet "${units[@]}" || true
  fi
fi

unresolved=()
for module in "${link_modules[@]}"; do
  for flag in $(pkg-config --libs "$module"); do
    case "$flag" in -l*) ;; *) continue ;; esac
    lib=lib${flag#-l}.so
    [ "$(gcc -print-file-name="$lib")" != "$lib" ] || unresolved+=("$flag (from $module)")
  done
done
if [ ${#unresolved[@]} -gt 0 ]; then
  echo "install-deps: these libraries of the link lines are not installed: ${unresolved[*]}" >&2
  echo "install-deps: add their -dev packages to scripts/install-deps.sh" >&2
  exit 1
fi
