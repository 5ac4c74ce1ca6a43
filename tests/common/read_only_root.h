// Test programs that install or remove begin with RunUnderReadOnlyRoot: the program starts again
// under tests/read-only-root (a mount namespace of its own, "/" and every disk read-only, /tmp a
// fresh tmpfs), so that nothing it dresses can be this machine's own. Where "/" is read-only
// already, or ORMAVELL_DISPOSABLE_MACHINE=1 says the program runs in a throw-away virtual machine,
// it goes on at once, in a mount namespace of its own when it runs as root, so that no mount
// a test makes outlives it. Must be called before the program starts a thread. Does nothing on
// Windows, where the tests' Wine runs under the same script.
#pragma once

namespace orm::test {

void RunUnderReadOnlyRoot(int argc, char** argv);

}  // namespace orm::test
