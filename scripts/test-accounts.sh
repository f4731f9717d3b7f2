# shellcheck shell=bash
# Sourced by scripts/test.sh: the local accounts some tests need, made now and removed when the
# calling script exits. Run as root or as a user who may use sudo.
#   - an unprivileged account that runs the PostgreSQL clusters of the central archive's tests
#     (PostgreSQL refuses to run as root; a user runs them as themself, so only root needs it);
#   - a throwaway account with a random password for the signature test, which checks it
#     through PAM (only the superuser may check another account's password).
# Sets as_root (the prefix that runs a command as root) and exports the tests' variables.

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null || ! sudo -v; then
    echo "test.sh: the signature test needs an account of its own: run as root or with sudo" >&2
    exit 1
  fi
  as_root=(sudo)
fi

test_accounts=()
remove_test_accounts() {
  local account
  for account in "${test_accounts[@]}"; do
    "${as_root[@]}" userdel "$account" 2>/dev/null || true
  done
  test_accounts=()
}
trap remove_test_accounts EXIT
trap 'exit 130' INT TERM

# A name of this run's own, so that two runs on one machine do not remove each other's accounts.
make_test_account() {
  local account=$1
  "${as_root[@]}" userdel "$account" 2>/dev/null || true
  "${as_root[@]}" useradd --no-create-home --shell /usr/sbin/nologin "$account"
  test_accounts+=("$account")
}

run_id=$(head -c 4 /dev/urandom | od -An -tx1 | tr -d ' \n')
pam_user=vm-sign-$run_id
pam_password=$(head -c 18 /dev/urandom | base64)
make_test_account "$pam_user"
"${as_root[@]}" chpasswd <<<"$pam_user:$pam_password"
export VELMORANTE_TEST_PAM_USER=$pam_user VELMORANTE_TEST_PAM_PASSWORD=$pam_password
if [[ $(id -u) -eq 0 ]]; then
  pg_user=vm-pg-$run_id
  make_test_account "$pg_user"
  export VELMORANTE_TEST_PG_USER=$pg_user
fi
