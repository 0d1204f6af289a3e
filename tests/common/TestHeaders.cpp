// Compiles the test framework's precompiled headers (tests/CMakeLists.txt),
// which every test program reuses.
