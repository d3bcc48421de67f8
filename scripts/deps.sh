# Shared by the scripts: installs the Debian packages the project needs,
# skipping those already there. Source it, then call ensure_packages.

ZUVO_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  fonts-wqy-microhei xvfb xauth
)

# ensure_packages [extra packages...]: apt-get install what is missing.
ensure_packages() {
  local wanted=("${ZUVO_PACKAGES[@]}" "$@") missing=() p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
