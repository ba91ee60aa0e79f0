#pragma once
// What every test binary does before its first test: the C locale, and a
// private HOME and XDG_DATA_HOME so no test reads or writes the user's files.

namespace telvane::test {
void PrepareTestEnvironment();
}
