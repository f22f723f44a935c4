#!/usr/bin/env bash
# The Debian package's life cycle with dpkg on this machine: install, upgrade, remove and purge
# when the package makes the user brindle, and install and purge when that user was there
# before. It installs into the real system, so it runs as root and alone, only where dpkg knows
# no package brindle and there is no user or group brindle; at the end, also on failure, it
# purges the package and takes away what it made.
#
# There is no running systemd here. The test runs in a mount namespace of its own: a tmpfs on
# /run stands for a booted systemd (/run/systemd/system) or for none, a policy-rc.d that allows
# everything stands for the machine's, and a systemctl first on dpkg's PATH records what the
# maintainer scripts ask of systemd. Nothing of that is seen outside the test.
#
# Usage: package_test.sh BUILD_DIR [CPACK]
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
check() {
  local what=$1
  shift
  "$@" >/dev/null 2>&1 || fail "$what"
  echo "ok: $what"
}
not() { ! "$@"; }

[ "$(id -u)" -eq 0 ] || fail "the package test installs and purges the package brindle with dpkg \
and so must run as root (CI does): sudo ctest -L package"
[ $# -ge 1 ] || fail "usage: $0 BUILD_DIR [CPACK]"
build_dir=$(cd "$1" && pwd)
cpack=${2:-cpack}

if [ -z "${BRINDLE_PACKAGE_TEST_NAMESPACE:-}" ]; then
  unshare --mount --propagation private true 2>/dev/null ||
    fail "the package test needs a mount namespace of its own (unshare --mount) for its \
stand-in of systemd"
  exec env BRINDLE_PACKAGE_TEST_NAMESPACE=1 unshare --mount --propagation private -- "$0" "$@"
fi

if dpkg-query -W brindle >/dev/null 2>&1; then
  fail "dpkg knows a package brindle on this machine; the test installs and purges its own, so \
purge that one first (dpkg --purge brindle)"
fi
if getent passwd brindle >/dev/null || getent group brindle >/dev/null; then
  fail "a user or group brindle exists; the test must see the package make and remove its own"
fi

folders=(/opt/zemt/LogFiles /opt/zemt/INI /opt/zemt)
declare -A found
for folder in "${folders[@]}"; do
  found[$folder]=$(stat -c '%u:%g %a' "$folder" 2>/dev/null || echo absent)
done
work=$(mktemp -d)
operator_file=/opt/zemt/INI/package-test.set
wrote_operator_file=no

cleanup() {
  set +e
  if dpkg-query -W brindle >/dev/null 2>&1; then
    PATH="$work/bin:$PATH" dpkg --purge brindle >/dev/null 2>&1
  fi
  [ "$wrote_operator_file" = yes ] && rm -f "$operator_file"
  # There was no user or group brindle at the start, so one now is the test's or its package's.
  getent passwd brindle >/dev/null && deluser --system --quiet brindle
  getent group brindle >/dev/null && delgroup --system --quiet brindle
  for folder in "${folders[@]}"; do
    if [ "${found[$folder]}" = absent ]; then
      [ -d "$folder" ] && rmdir "$folder"
    elif [ -d "$folder" ]; then
      chown "${found[$folder]% *}" "$folder"
      # A numeric mode alone keeps a folder's set-group-ID bit.
      chmod g-s "$folder"
      chmod "${found[$folder]#* }" "$folder"
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

# The stand-ins, private to this namespace.
mount -t tmpfs -o mode=0755 tmpfs /run
printf '#!/bin/sh\nexit 0\n' >"$work/policy-rc.d"
chmod 0755 "$work/policy-rc.d"
[ -e /usr/sbin/policy-rc.d ] && mount --bind "$work/policy-rc.d" /usr/sbin/policy-rc.d
calls=$work/systemctl-calls
mkdir "$work/bin"
cat >"$work/bin/systemctl" <<END
#!/bin/sh
echo "\${DPKG_MAINTSCRIPT_NAME:-?}: \$*" >>"$calls"
END
chmod 0755 "$work/bin/systemctl"

# dpkg with the recording systemctl; each step's calls are recorded afresh.
run_dpkg() {
  : >"$calls"
  PATH="$work/bin:$PATH" dpkg "$@" </dev/null >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg $*"; }
}
called() { grep -qx "$1" "$calls"; }
offline_systemctl() { SYSTEMD_OFFLINE=1 systemctl "$@"; }

# The package as the build makes it, and the same with a higher version for the upgrade.
"$cpack" --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/first" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
first=$(echo "$work"/first/brindle_*.deb)
version=$(dpkg-deb -f "$first" Version)
"$cpack" --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/second" \
  -D CPACK_PACKAGE_VERSION="$version.1" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack of the upgrade"; }
second=$(echo "$work"/second/brindle_*.deb)

echo "== The package makes the user brindle; systemd is running"
mkdir -p /run/systemd/system
run_dpkg --install "$first"
check "install made the user brindle" getent passwd brindle
for folder in /opt/zemt/INI /opt/zemt/LogFiles; do
  check "install gave $folder to the group brindle" test "$(stat -c %G "$folder")" = brindle
done
check "install made the lock folder" test -d /run/lock/zemt
check "install started nothing" not grep -q start "$calls"

conffile=/etc/default/brindle-sync
echo "BRINDLE_SYNC_ARGS=\"--period 77\"" >>"$conffile"
offline_systemctl enable brindle-sync.service
run_dpkg --install "$second"
check "the upgrade is installed" test "$(dpkg-query -W -f '${Version}' brindle)" = "$version.1"
check "the upgrade kept the changed conffile" grep -qx 'BRINDLE_SYNC_ARGS="--period 77"' "$conffile"
check "the upgrade restarted a running service once the new files were in place" \
  called "postinst: try-restart brindle-sync.service"
check "the upgrade did not stop the service" not grep -q ": stop " "$calls"
check "the service is still enabled" offline_systemctl is-enabled brindle-sync.service

run_dpkg --remove brindle
check "removal stopped the service" called "prerm: stop brindle-sync.service"
check "removal reloaded systemd" grep -q "^postrm: .*daemon-reload" "$calls"
check "removal disabled the service" \
  not test -L /etc/systemd/system/multi-user.target.wants/brindle-sync.service
check "removal took the programs" not test -e /opt/zemt/brindle-sync
check "removal kept the conffile" grep -qx 'BRINDLE_SYNC_ARGS="--period 77"' "$conffile"
check "removal kept the user brindle" getent passwd brindle

run_dpkg --purge brindle
check "purge removed the user brindle the package made" not getent passwd brindle
check "purge removed the group brindle" not getent group brindle
check "purge removed the conffile" not test -e "$conffile"
for folder in /opt/zemt/INI /opt/zemt/LogFiles; do
  if [ "${found[$folder]}" = absent ]; then
    check "purge removed $folder, made by the package and empty" not test -e "$folder"
  else
    check "purge kept $folder, which was there before" test -d "$folder"
  fi
done
check "purge left nothing of the package's own" not test -e /var/lib/brindle
check "purge left nothing of the unit" \
  test -z "$(find /etc/systemd /var/lib/systemd -name 'brindle-sync*' 2>/dev/null)"

echo "== The user brindle was there before; systemd is not running"
rmdir /run/systemd/system
adduser --system --group --no-create-home --home /nonexistent --quiet brindle
run_dpkg --install "$first"
check "without systemd install called no systemctl" not test -s "$calls"
wrote_operator_file=yes
echo "[operator]" >"$operator_file"
run_dpkg --purge brindle
check "without systemd purge called no systemctl" not test -s "$calls"
check "purge kept the user brindle that was there before" getent passwd brindle
check "purge kept the operator's settings" test -f "$operator_file"
echo "PASS"
