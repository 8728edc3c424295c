# Installs the Debian packages the build, the tests and the demo need, when any is missing.
# qt6-l10n-tools builds the window's translations. dpkg-dev and file let CPack compute the
# Debian package's dependencies; lintian, desktop-file-utils and appstream check the package in
# its test.
# Sourced by ./test and ./run; call ensure_packages with extra package names if a command needs more.
velmar_build_packages=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-l10n-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev srecord binutils python3
  dpkg-dev file lintian desktop-file-utils appstream)

ensure_packages() {
    local wanted=("${velmar_build_packages[@]}" "$@") missing=() p status
    local -A installed=()
    # One query for all: a start with nothing to install should cost no time.
    while read -r status p; do
        if [ "$status" = installed ]; then installed[$p]=1; fi
    done < <(dpkg-query -W -f='${db:Status-Status} ${Package}\n' "${wanted[@]}" 2>/dev/null || true)
    for p in "${wanted[@]}"; do
        [ -n "${installed[$p]:-}" ] || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}
