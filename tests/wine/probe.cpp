// Run by the Windows leg under Wine before the tests of its width: a Wine that cannot start a
// program of this width prints nothing and exits 0, which would pass every test it was asked
// to run. This program shows that it ran: it prints a known line and exits with a known
// status that is not 0 (scripts/legs/40-windows.sh checks both).
#include <cstdio>

int main() {
  std::puts("fintop wine probe: running");
  return 73;
}
