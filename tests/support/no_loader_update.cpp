// Linked into test builds of the product's programs with --wrap=RestrictDllSearchToSystem: the
// program behaves as on a system without SetDefaultDllDirectories (Vista, or 7 without update
// KB2533623), where the DLL search cannot be confined.
extern "C" int __wrap_RestrictDllSearchToSystem(void) { return 0; }
