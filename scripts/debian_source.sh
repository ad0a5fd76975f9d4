# shellcheck shell=bash
# Fetching a library's Debian source package, for the scripts that build
# the libraries our archivers link (libarchive.sh, bzip2.sh, xz.sh, zstd.sh);
# sourced, not run.

# debian_source PACKAGE VERSION DEST: puts Debian trixie's source package
# PACKAGE, which must be of upstream version VERSION, unpacked and with
# Debian's patches applied, at DEST (replacing whatever was there). The
# download goes through DEST's folder and is removed afterwards.
debian_source() {
  local package=$1 version=$2 dest=$3
  local download
  download="$(dirname "$dest")/download"
  # --only-source: the name is the source package's, even where a binary
  # package of the same name exists (bzip2), whose version apt would
  # otherwise look for among trixie's sources.
  local get=(apt-get source --only-source)
  # apt finds source packages through a deb-src entry; it takes the mirror
  # and key of the machine's own entry, whatever they are.
  local own=/etc/apt/sources.list.d/debian.sources entry=/etc/apt/sources.list.d/plenkit-trixie-src.sources
  if ! "${get[@]}" --print-uris "$package/trixie" >/dev/null 2>&1; then
    local uris signed
    uris=$(awk '/^URIs:/ {print $2; exit}' "$own")
    signed=$(awk '/^Signed-By:/ {print $2; exit}' "$own")
    printf 'Types: deb-src\nURIs: %s\nSuites: trixie\nComponents: main\nSigned-By: %s\n' "$uris" "$signed" >"$entry"
    apt-get update -qq
  fi
  rm -rf "$download" "$dest"
  mkdir -p "$download"
  echo "$package: fetching the source package"
  # apt checks the signatures; dpkg-source unpacks and applies Debian's patches.
  if ! (cd "$download" && "${get[@]}" --download-only "$package/trixie" >/dev/null 2>&1); then
    # The mirror can lag behind trixie's index, which then names a revision
    # it does not have yet (xz-utils 5.8.1-1+deb13u2): the newest revision of
    # the same upstream version that it does have is taken instead.
    local revision fetched=
    for revision in $(apt-cache showsrc --only-source "$package" 2>/dev/null |
                      awk -v v="$version" '/^Version:/ && index($2, v "-") == 1 {print $2}' | sort -urV); do
      rm -rf "${download:?}"/*
      if (cd "$download" && "${get[@]}" --download-only "$package=$revision" >/dev/null 2>&1); then
        fetched=$revision
        break
      fi
    done
    if [ -z "$fetched" ]; then
      echo "$package: apt-get source could not fetch $package/trixie" >&2
      return 1
    fi
    echo "$package: trixie's newest revision is not on the mirror; took $fetched"
  fi
  local dsc=("$download/${package}_$version"-*.dsc)
  if [ ! -f "${dsc[0]}" ]; then
    echo "$package: trixie's source package is not version $version:" "$download"/*.dsc >&2
    return 1
  fi
  (cd "$download" && dpkg-source --no-check -x "${dsc[0]}" "$dest" >/dev/null)
  # dpkg-source leaves a copy of the upstream tarball beside DEST.
  rm -rf "$download" "$(dirname "$dest")/${package}_$version.orig.tar".*
}

# library_builds BUILD...: the builds to make, checked.
library_builds() {
  builds=("$@")
  ((${#builds[@]})) || builds=(x86_64 i686)
  local b
  for b in "${builds[@]}"; do
    case $b in
      x86_64 | i686 | native | fuzz) ;;
      *) echo "$(basename "$0" .sh): unknown build $b (x86_64, i686, native or fuzz)" >&2; exit 2 ;;
    esac
  done
}
