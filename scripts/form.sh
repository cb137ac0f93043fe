# Sourced: which Windows build runs here. The shipped form is the i686 build (build/windows32); it
# runs in a 64-bit Wine prefix with Debian's wine32, as on a 64-bit Windows PC. That needs a kernel
# that runs 32-bit code: on one that cannot, installing wine32 breaks wine altogether, so the
# kernel is probed before anything is installed, and such a machine runs the x86-64 form.

# True when this kernel runs a 32-bit x86 program: a 96-byte static ELF that exits with 42.
orvex_kernel_runs_32bit() {
  local probe rc
  probe=$(mktemp) || return 1
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  rc=$?
  rm -f "$probe"
  [ "$rc" = 42 ]
}

orvex_wine32_installed() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

# windows32 where the shipped i686 programs can run, else windows. ORVEX_FORM overrides it (for
# example ORVEX_FORM=windows to try the x86-64 form on a machine that runs both).
orvex_form() {
  if [ -n "${ORVEX_FORM:-}" ]; then
    echo "$ORVEX_FORM"
  elif orvex_wine32_installed && orvex_kernel_runs_32bit; then
    echo windows32
  else
    echo windows
  fi
}

# One line for the output of make test and make demo.
orvex_form_text() {
  case $1 in
    windows32) echo "the shipped i686 programs (build/windows32) in a 64-bit Wine prefix with 32-bit support" ;;
    *) echo "the x86-64 programs (build/windows): this machine cannot run the shipped i686 form" ;;
  esac
}

# The ctest label selection of TREE when FORM runs the end-to-end tests: on the shipped form the
# i686 tree runs them (and the UI driver's tests, label shipped) and the x86-64 tree the rest.
# Prints one argument a line.
orvex_ctest_select() {
  case $1:$2 in
    windows:windows32) printf '%s\n' -LE e2e ;;
    windows32:windows32) printf '%s\n' -L 'static|e2e|shipped' ;;
    windows32:*) printf '%s\n' -L static ;;
  esac
}
