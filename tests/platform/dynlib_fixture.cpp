// A library with one known export, for the loader tests.
#ifdef _WIN32
#define ORMA_EXPORT extern "C" __declspec(dllexport)
#else
#define ORMA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ORMA_EXPORT int orma_test_answer() { return 42; }
